#include "oracle/wire/Packet.h"

#include <algorithm>
#include <string>

#include "oracle/wire/Errors.h"

namespace oracle::wire {

PacketHeader ParseHeader(std::span<const std::uint8_t> h, LengthForm form) {
    if (h.size() < kHeaderSize) ThrowProtocol("TNS packet header shorter than 8 bytes");
    PacketHeader header;
    if (form == LengthForm::Long) {
        header.length = (std::uint32_t{h[0]} << 24) | (std::uint32_t{h[1]} << 16) | (std::uint32_t{h[2]} << 8) | h[3];
    } else {
        header.length = (std::uint32_t{h[0]} << 8) | h[1];
    }
    if (header.length < kHeaderSize || header.length > kMaxPacketSize) {
        ThrowProtocol("TNS packet with invalid length " + std::to_string(header.length));
    }
    if (h[4] == 0 || h[4] > static_cast<std::uint8_t>(PacketType::Control) || h[4] == 8 || h[4] == 10) {
        ThrowProtocol("TNS packet of unknown type " + std::to_string(h[4]));
    }
    header.type = static_cast<PacketType>(h[4]);
    header.flags = h[5];
    return header;
}

void WriteHeader(std::span<std::uint8_t> out, const PacketHeader& header, LengthForm form) {
    const auto n = header.length;
    if (form == LengthForm::Long) {
        out[0] = static_cast<std::uint8_t>(n >> 24);
        out[1] = static_cast<std::uint8_t>(n >> 16);
        out[2] = static_cast<std::uint8_t>(n >> 8);
        out[3] = static_cast<std::uint8_t>(n);
    } else {
        out[0] = static_cast<std::uint8_t>(n >> 8);
        out[1] = static_cast<std::uint8_t>(n);
        out[2] = 0;
        out[3] = 0;
    }
    out[4] = static_cast<std::uint8_t>(header.type);
    out[5] = header.flags;
    out[6] = 0;
    out[7] = 0;
}

std::uint16_t Packet::DataFlags() const {
    if (bytes.size() < kDataHeaderSize) ThrowProtocol("DATA packet without data flags");
    return static_cast<std::uint16_t>((bytes[8] << 8) | bytes[9]);
}

std::span<const std::uint8_t> Packet::DataPayload() const {
    if (bytes.size() < kDataHeaderSize) ThrowProtocol("DATA packet without data flags");
    return std::span(bytes).subspan(kDataHeaderSize);
}

std::vector<std::uint8_t> BuildPacket(PacketType type, std::uint8_t flags, std::span<const std::uint8_t> body,
                                      LengthForm form) {
    std::vector<std::uint8_t> out(kHeaderSize + body.size());
    WriteHeader(out, {static_cast<std::uint32_t>(out.size()), type, flags}, form);
    std::copy(body.begin(), body.end(), out.begin() + kHeaderSize);
    return out;
}

std::vector<std::uint8_t> BuildDataPacket(std::uint16_t dataFlags, std::span<const std::uint8_t> payload,
                                          LengthForm form) {
    std::vector<std::uint8_t> out(kDataHeaderSize + payload.size());
    WriteHeader(out, {static_cast<std::uint32_t>(out.size()), PacketType::Data, 0}, form);
    out[8] = static_cast<std::uint8_t>(dataFlags >> 8);
    out[9] = static_cast<std::uint8_t>(dataFlags);
    std::copy(payload.begin(), payload.end(), out.begin() + kDataHeaderSize);
    return out;
}

std::vector<std::vector<std::uint8_t>> SplitIntoDataPackets(std::span<const std::uint8_t> payload,
                                                             std::uint32_t sdu, LengthForm form,
                                                             std::uint16_t dataFlags) {
    const std::size_t room = std::max<std::size_t>(sdu, kDataHeaderSize + 1) - kDataHeaderSize;
    std::vector<std::vector<std::uint8_t>> packets;
    std::size_t offset = 0;
    do {
        const auto n = std::min(room, payload.size() - offset);
        packets.push_back(BuildDataPacket(dataFlags, payload.subspan(offset, n), form));
        offset += n;
    } while (offset < payload.size());
    return packets;
}

void PacketAssembler::Feed(std::span<const std::uint8_t> bytes) {
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<Packet> PacketAssembler::Next() {
    const auto available = buffer_.size() - start_;
    if (available < kHeaderSize) return std::nullopt;
    const auto header = ParseHeader(std::span(buffer_).subspan(start_, kHeaderSize), form_);
    if (available < header.length) return std::nullopt;
    Packet packet{header.type, header.flags,
                  std::vector<std::uint8_t>(buffer_.begin() + static_cast<std::ptrdiff_t>(start_),
                                            buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + header.length))};
    start_ += header.length;
    if (start_ > 65536 && start_ * 2 > buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    return packet;
}

}  // namespace oracle::wire
