#pragma once
// Builds TTC payloads: raw fixed-width integers, the compressed UB/SB integers (a length byte
// then the big-endian magnitude; bit 0x80 of the length marks a negative SB), CLR byte strings
// (one length byte up to 252 bytes, otherwise 0xFE then UB4-sized chunks ended by a zero chunk),
// LCLR (UB4 length then, if non-zero, a CLR) and key/value pairs.
//
//   ByteWriter w;
//   w.U8(3); w.U8(94); w.U8(seq); w.UB4(0x8061); w.Clr(sqlBytes);
//   transport.Send(w.Bytes());
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace oracle::wire {

class ByteWriter {
public:
    void U8(std::uint8_t v) { bytes_.push_back(v); }
    void U16BE(std::uint16_t v);
    void U16LE(std::uint16_t v);
    void U32BE(std::uint32_t v);
    void UB2(std::uint16_t v) { UB8(v); }
    void UB4(std::uint32_t v) { UB8(v); }
    void UB8(std::uint64_t v);
    void SB4(std::int32_t v) { SB8(v); }
    void SB8(std::int64_t v);
    void Raw(std::span<const std::uint8_t> bytes);
    void Raw(std::string_view text);
    // An empty CLR is the single byte 0 (which readers take as NULL).
    void Clr(std::span<const std::uint8_t> bytes);
    void Clr(std::string_view text);
    void Lclr(std::string_view text);
    void Lclr(std::span<const std::uint8_t> bytes);
    // Key/value pair of the logon and PARAMETER messages: LCLR key, LCLR value, UB4 flags.
    void KeyValue(std::string_view key, std::string_view value, std::uint32_t flags = 0);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
};

// Chunk size of the long CLR form when writing.
constexpr std::size_t kClrChunk = 65536;
constexpr std::uint8_t kClrLongForm = 0xFE;
constexpr std::uint8_t kClrNull = 0xFF;
constexpr std::size_t kClrMaxShort = 252;

}  // namespace oracle::wire
