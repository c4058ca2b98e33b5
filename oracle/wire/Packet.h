#pragma once
// TNS packet framing. Every packet starts with an 8-byte header: length, type, flags. Before the
// ACCEPT (and for TNS versions below 315 throughout) the length is 16 bits at offset 0; after an
// ACCEPT of version 315 or later both sides switch to a 32-bit length. The framing is state, not
// something a reader can guess, so callers pass the form in force.
//
//   PacketAssembler a(LengthForm::Short);
//   a.Feed(bytesFromSocket);
//   while (auto p = a.Next()) handle(*p);       // whole packets only; partial data waits
//
//   auto bytes = BuildPacket(PacketType::Data, 0, payload, LengthForm::Long);
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace oracle::wire {

enum class PacketType : std::uint8_t {
    Connect = 1,
    Accept = 2,
    Ack = 3,
    Refuse = 4,
    Redirect = 5,
    Data = 6,
    Null = 7,
    Abort = 9,
    Resend = 11,
    Marker = 12,
    Attention = 13,
    Control = 14,
};

enum class LengthForm { Short, Long };

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kDataHeaderSize = 10;  // header + 16-bit data flags
constexpr std::uint16_t kDataFlagEof = 0x0040;
constexpr std::uint16_t kDataFlagEndOfResponse = 0x2000;
constexpr std::uint32_t kMinVersionLongLength = 315;
// Largest packet either side may negotiate; anything longer in a header is malformed.
constexpr std::uint32_t kMaxPacketSize = 2 * 1024 * 1024 + 1024;

struct PacketHeader {
    std::uint32_t length = 0;  // whole packet, header included
    PacketType type = PacketType::Data;
    std::uint8_t flags = 0;
};

// Reads a header; raises EOraProtocolError if the length is below 8 or beyond kMaxPacketSize.
PacketHeader ParseHeader(std::span<const std::uint8_t> header, LengthForm form);
void WriteHeader(std::span<std::uint8_t> out, const PacketHeader& header, LengthForm form);

struct Packet {
    PacketType type = PacketType::Data;
    std::uint8_t flags = 0;
    std::vector<std::uint8_t> bytes;  // the whole packet, header included

    std::span<const std::uint8_t> Body() const { return std::span(bytes).subspan(kHeaderSize); }
    // DATA packets only: the 16-bit data flags and the payload behind them.
    std::uint16_t DataFlags() const;
    std::span<const std::uint8_t> DataPayload() const;
};

std::vector<std::uint8_t> BuildPacket(PacketType type, std::uint8_t flags,
                                      std::span<const std::uint8_t> body, LengthForm form);
std::vector<std::uint8_t> BuildDataPacket(std::uint16_t dataFlags, std::span<const std::uint8_t> payload,
                                          LengthForm form);

// Cuts a TTC payload into DATA packets no longer than `sdu` bytes each.
std::vector<std::vector<std::uint8_t>> SplitIntoDataPackets(std::span<const std::uint8_t> payload,
                                                             std::uint32_t sdu, LengthForm form,
                                                             std::uint16_t dataFlags = 0);

// Splits a byte stream into packets; keeps partial input until the rest arrives.
class PacketAssembler {
public:
    explicit PacketAssembler(LengthForm form) : form_(form) {}
    void SetForm(LengthForm form) { form_ = form; }
    LengthForm Form() const { return form_; }
    void Feed(std::span<const std::uint8_t> bytes);
    std::optional<Packet> Next();
    std::size_t Buffered() const { return buffer_.size() - start_; }

private:
    LengthForm form_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
};

}  // namespace oracle::wire
