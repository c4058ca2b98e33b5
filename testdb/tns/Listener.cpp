#include "testdb/tns/Listener.h"

#include <algorithm>
#include <cctype>

#include "oracle/wire/ByteWriter.h"
#include "oracle/wire/Errors.h"

namespace testdb::tns {
namespace {

using oracle::wire::ByteWriter;
using oracle::wire::Packet;
using oracle::wire::PacketType;

constexpr std::uint32_t kMinTnsVersion = 315;
// Version number the listener reports in REFUSE data (19.0.0.0.0).
constexpr const char* kListenerVersion = "318767104";

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return (std::uint32_t{U16At(bytes, offset)} << 16) | U16At(bytes, offset + 2);
}

struct ConnectRequest {
    std::uint32_t version = 0;
    std::uint32_t sdu = 0;
    std::string descriptor;
};

ConnectRequest ReadConnect(Channel& channel) {
    const Packet packet = channel.ReadPacket();
    if (packet.type != PacketType::Connect)
        oracle::ThrowProtocol("expected a CONNECT packet, got type " + std::to_string(static_cast<int>(packet.type)));
    const auto& bytes = packet.bytes;
    if (bytes.size() < 34) oracle::ThrowProtocol("CONNECT packet of " + std::to_string(bytes.size()) + " bytes is too short");
    ConnectRequest request;
    request.version = U16At(bytes, 8);
    request.sdu = U16At(bytes, 14);
    const std::size_t dataLength = U16At(bytes, 24);
    const std::size_t dataOffset = U16At(bytes, 26);
    if (bytes.size() >= 62) request.sdu = std::max(request.sdu, U32At(bytes, 58));
    if (dataLength == 0) return request;
    if (dataOffset + dataLength <= bytes.size()) {
        request.descriptor.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataOffset),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(dataOffset + dataLength));
        return request;
    }
    // A descriptor too long for the CONNECT packet follows in a DATA packet of its own.
    const Packet data = channel.ReadPacket();
    if (data.type != PacketType::Data || data.bytes.size() < oracle::wire::kDataHeaderSize)
        oracle::ThrowProtocol("expected the connect descriptor in a DATA packet");
    const auto payload = data.DataPayload();
    request.descriptor.assign(payload.begin(), payload.end());
    return request;
}

void SendRefuse(Channel& channel, int error) {
    const std::string code = std::to_string(error);
    const std::string text = "(DESCRIPTION=(TMP=)(VSNNUM=" + std::string(kListenerVersion) + ")(ERR=" + code +
                             ")(ERROR_STACK=(ERROR=(CODE=" + code + ")(EMFI=4))))";
    ByteWriter body;
    body.U8(0x22);  // user reason, as the real listener sends it
    body.U8(0);     // system reason
    body.U16BE(static_cast<std::uint16_t>(text.size()));
    body.Raw(text);
    channel.SendPacket(PacketType::Refuse, 0, body.Bytes());
}

void SendAccept(Channel& channel, std::uint32_t version, std::uint32_t sdu) {
    const std::uint32_t tdu = 2 * 1024 * 1024;
    ByteWriter body;
    body.U16BE(static_cast<std::uint16_t>(version));
    body.U16BE(0);  // service options: no out-of-band data
    body.U16BE(static_cast<std::uint16_t>(std::min<std::uint32_t>(sdu, 0xFFFF)));
    body.U16BE(0xFFFF);  // TDU, 16-bit
    body.U16BE(1);       // "value of one" in our byte order
    body.U16BE(0);       // accept data length
    body.U16BE(45);      // accept data offset = packet length
    body.U8(0x04);       // network options disabled for this connection
    body.U8(0x04);
    for (int i = 0; i < 4; ++i) body.U16BE(0);  // pool timeout, tick, reconnect address
    body.U32BE(sdu);
    body.U32BE(tdu);
    body.U8(0);      // no compression
    body.U32BE(0);   // flags 2: no fast auth, no end-of-response, no out-of-band check
    channel.SendPacket(PacketType::Accept, 0, body.Bytes());
}

bool NameIn(const std::string& name, const std::vector<std::string>& known) {
    return std::any_of(known.begin(), known.end(), [&](const std::string& k) { return Upper(k) == Upper(name); });
}

}  // namespace

std::optional<std::string> DescriptorValue(const std::string& descriptor, const std::string& key) {
    const std::string upper = Upper(descriptor);
    std::string pattern = "(" + Upper(key);
    for (std::size_t at = upper.find(pattern); at != std::string::npos; at = upper.find(pattern, at + 1)) {
        std::size_t i = at + pattern.size();
        while (i < upper.size() && upper[i] == ' ') ++i;
        if (i >= upper.size() || upper[i] != '=') continue;
        ++i;
        const std::size_t end = upper.find(')', i);
        if (end == std::string::npos) return std::nullopt;
        std::string value = descriptor.substr(i, end - i);
        value.erase(0, value.find_first_not_of(' '));
        value.erase(value.find_last_not_of(' ') + 1);
        return value;
    }
    return std::nullopt;
}

std::optional<AcceptedConnection> Handshake(Channel& channel, const ListenerSettings& settings, FaultClock& faults) {
    ConnectRequest request = ReadConnect(channel);
    if (faults.Plan().resend) {
        channel.SendPacket(PacketType::Resend, 0, {});
        request = ReadConnect(channel);
    }

    const auto sid = DescriptorValue(request.descriptor, "SID");
    const auto service = DescriptorValue(request.descriptor, "SERVICE_NAME");
    int refusal = 0;
    if (sid) {
        if (Upper(*sid) != Upper(settings.sid)) refusal = 12505;
    } else if (service) {
        if (!NameIn(*service, settings.services)) refusal = 12514;
    } else {
        refusal = 12504;
    }
    if (refusal == 0 && request.version < kMinTnsVersion) refusal = 12618;
    if (refusal != 0) {
        SendRefuse(channel, refusal);
        return std::nullopt;
    }

    AcceptedConnection accepted;
    accepted.version = std::min(request.version, settings.maxTnsVersion);
    accepted.sdu = std::clamp<std::uint32_t>(std::min(request.sdu, settings.maxSdu), 512, 2 * 1024 * 1024);
    accepted.descriptor = std::move(request.descriptor);

    const auto due = faults.Enter(Phase::Accept);
    if (due.drop) channel.Drop("at accept");
    if (due.stall) channel.Stall(faults.Plan().stallSeconds);
    if (due.malformed) {
        const std::uint8_t bogus[8] = {0, faults.Plan().malformation == Malformation::Length ? std::uint8_t{5} : std::uint8_t{8},
                                       0, 0,
                                       faults.Plan().malformation == Malformation::Length ? std::uint8_t{2} : std::uint8_t{0x3F},
                                       0, 0, 0};
        channel.Send(bogus);
        channel.Drop("after a malformed packet");
    }
    SendAccept(channel, accepted.version, accepted.sdu);
    channel.SetSdu(accepted.sdu);
    if (accepted.version >= oracle::wire::kMinVersionLongLength) channel.SwitchToLongLengths();
    return accepted;
}

bool IsNetworkOptionRequest(std::span<const std::uint8_t> payload) {
    return payload.size() >= 4 && payload[0] == 0xDE && payload[1] == 0xAD && payload[2] == 0xBE && payload[3] == 0xEF;
}

std::vector<std::uint8_t> NetworkOptionsAllOff() {
    // Services in the order the client expects them: supervisor, authentication, encryption,
    // data integrity; each says "not in use".
    constexpr std::uint32_t kVersion = 0x13000000;
    ByteWriter services;
    auto version = [&] {
        services.U16BE(4);
        services.U16BE(5);
        services.U32BE(kVersion);
    };
    // supervisor: version, status, array of the service ids in use
    services.U16BE(4); services.U16BE(3); services.U32BE(0);
    version();
    services.U16BE(2); services.U16BE(6); services.U16BE(0x001F);
    services.U16BE(18); services.U16BE(1);
    services.U32BE(0xDEADBEEF); services.U16BE(3); services.U32BE(4);
    for (std::uint16_t id : {4, 1, 2, 3}) services.U16BE(id);
    // authentication: version, status "do not use authentication"
    services.U16BE(1); services.U16BE(2); services.U32BE(0);
    version();
    services.U16BE(2); services.U16BE(6); services.U16BE(0xFBFF);
    // encryption and data integrity: version, algorithm 0 (none)
    for (std::uint16_t id : {2, 3}) {
        services.U16BE(id); services.U16BE(2); services.U32BE(0);
        version();
        services.U16BE(1); services.U16BE(2); services.U8(0);
    }
    ByteWriter packet;
    packet.U32BE(0xDEADBEEF);
    packet.U16BE(static_cast<std::uint16_t>(13 + services.Size()));
    packet.U32BE(kVersion);
    packet.U16BE(4);
    packet.U8(0);
    packet.Raw(services.Bytes());
    return packet.Take();
}

}  // namespace testdb::tns
