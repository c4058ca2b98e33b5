#include "oracle/wire/Connect.h"

#include <algorithm>
#include <charconv>

#include "oracle/wire/Errors.h"

namespace oracle::wire {
namespace {

constexpr std::size_t kConnectHeaderSize = 74;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v >> 8);
    out[at + 1] = static_cast<std::uint8_t>(v);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    Put16(out, at, v >> 16);
    Put16(out, at + 2, v);
}

std::uint16_t Get16(const std::vector<std::uint8_t>& in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] << 8 | in[at + 1]);
}

std::uint32_t Get32(const std::vector<std::uint8_t>& in, std::size_t at) {
    return static_cast<std::uint32_t>(Get16(in, at)) << 16 | Get16(in, at + 2);
}

ListenerText TextAt(const Packet& packet, std::size_t lengthAt, const char* what) {
    if (packet.bytes.size() < lengthAt + 2) ThrowProtocol(std::string(what) + " packet cut short");
    const std::size_t length = Get16(packet.bytes, lengthAt);
    const std::size_t start = lengthAt + 2;
    if (packet.bytes.size() == start && length > 0) return {"", length};
    if (packet.bytes.size() < start + length) ThrowProtocol(std::string(what) + " text cut short");
    return {std::string(packet.bytes.begin() + static_cast<std::ptrdiff_t>(start),
                        packet.bytes.begin() + static_cast<std::ptrdiff_t>(start + length)),
            0};
}

std::optional<int> NumberAfter(std::string_view text, std::string_view key) {
    const auto at = text.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    int value = 0;
    const auto* first = text.data() + at + key.size();
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || end == first) return std::nullopt;
    return value;
}

std::string ValueAfter(std::string_view text, std::string_view key) {
    auto at = text.find(key);
    if (at == std::string_view::npos) return {};
    at += key.size();
    const auto end = text.find(')', at);
    return std::string(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
}

std::string Upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    return out;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> BuildConnect(const ConnectRequest& request) {
    const auto& data = request.descriptor;
    const bool inline_ = data.size() <= kMaxConnectDataInPacket;
    std::vector<std::uint8_t> p(kConnectHeaderSize + (inline_ ? data.size() : 0));
    WriteHeader(p, {static_cast<std::uint32_t>(p.size()), PacketType::Connect, request.headerFlags}, LengthForm::Short);
    Put16(p, 8, kTnsVersionDesired);
    Put16(p, 10, kTnsVersionMinimum);
    Put16(p, 12, 0x0001);  // no out-of-band breaks: the client never cancels
    Put16(p, 14, std::min<std::uint32_t>(request.sdu, 0xFFFF));
    Put16(p, 16, std::min<std::uint32_t>(request.tdu, 0xFFFF));
    Put16(p, 18, 0x4F98);
    Put16(p, 22, 0x0001);
    Put16(p, 24, static_cast<std::uint32_t>(data.size()));
    Put16(p, 26, kConnectHeaderSize);
    // No native network encryption: say so, and the listener skips that negotiation.
    p[32] = 0x84;
    p[33] = 0x84;
    Put32(p, 58, request.sdu);
    Put32(p, 62, request.tdu);
    std::vector<std::vector<std::uint8_t>> packets;
    if (inline_) {
        std::copy(data.begin(), data.end(), p.begin() + kConnectHeaderSize);
        packets.push_back(std::move(p));
    } else {
        packets.push_back(std::move(p));
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
        packets.push_back(BuildDataPacket(0, bytes, LengthForm::Short));
    }
    return packets;
}

AcceptInfo ParseAccept(const Packet& packet) {
    const auto& b = packet.bytes;
    if (b.size() < 24) ThrowProtocol("ACCEPT packet cut short");
    AcceptInfo a;
    a.version = Get16(b, 8);
    a.serviceOptions = Get16(b, 10);
    a.sdu = Get16(b, 12);
    a.tdu = Get16(b, 14);
    a.flags0 = b[22];
    a.flags1 = b[23];
    if (a.version >= kMinVersionLongLength) {
        if (b.size() < 40) ThrowProtocol("ACCEPT packet cut short");
        a.sdu = Get32(b, 32);
        a.tdu = Get32(b, 36);
        if (b.size() >= 45) a.flags2 = Get32(b, 41);
    }
    return a;
}

ListenerText ParseRefuse(const Packet& packet) { return TextAt(packet, 10, "REFUSE"); }

ListenerText ParseRedirect(const Packet& packet) { return TextAt(packet, 8, "REDIRECT"); }

std::optional<int> ListenerErrorCode(std::string_view text) {
    const auto upper = Upper(text);
    if (auto code = NumberAfter(upper, "(ERR=")) return code;
    return NumberAfter(upper, "(CODE=");
}

std::optional<std::pair<std::string, std::uint16_t>> DescriptorAddress(std::string_view text) {
    const auto upper = Upper(text);
    const auto hostAt = upper.find("(HOST=");
    const auto port = NumberAfter(upper, "(PORT=");
    if (hostAt == std::string::npos || !port || *port <= 0 || *port > 65535) return std::nullopt;
    auto host = ValueAfter(text.substr(hostAt), "=");
    return std::make_pair(host, static_cast<std::uint16_t>(*port));
}

std::vector<std::uint8_t> BuildMarker(std::uint8_t data, LengthForm form) {
    const std::uint8_t body[3] = {1, 0, data};
    return BuildPacket(PacketType::Marker, 0, body, form);
}

std::uint8_t MarkerData(const Packet& packet) {
    if (packet.bytes.size() < kHeaderSize + 3) ThrowProtocol("MARKER packet cut short");
    return packet.bytes[kHeaderSize + 2];
}

}  // namespace oracle::wire
