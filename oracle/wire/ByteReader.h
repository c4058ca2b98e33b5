#pragma once
// Reads TTC payloads with bounds checks on every access. A reader works over one buffer, or pulls
// further buffers from a ByteSource (e.g. the next DATA packet) when a value runs past the end of
// the current one: TTC messages do not align with packets. Anything malformed or cut short
// raises EOraProtocolError naming what was being read.
//
//   ByteReader r(payload);
//   auto type = r.U8();
//   auto count = r.UB4();
//   r.ClrTo([&](auto piece) { file.Write(piece); });   // long values streamed, never buffered whole
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace oracle::wire {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The next non-empty piece of the stream; raises when the stream has ended.
    virtual std::span<const std::uint8_t> Next() = 0;
};

using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// Values read into memory (CLR texts, keys) larger than this are refused as malformed; long data
// such as LOBs and LONG columns is streamed through ClrTo instead.
constexpr std::size_t kMaxInlineValue = 64 * 1024 * 1024;

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : current_(bytes) {}
    explicit ByteReader(ByteSource& source) : source_(&source) {}

    std::uint8_t U8();
    std::int8_t S8() { return static_cast<std::int8_t>(U8()); }
    std::uint16_t U16BE();
    std::uint16_t U16LE();
    std::uint32_t U32BE();
    std::uint16_t UB2() { return static_cast<std::uint16_t>(ReadUnsigned(2, "UB2")); }
    std::uint32_t UB4() { return static_cast<std::uint32_t>(ReadUnsigned(4, "UB4")); }
    std::uint64_t UB8() { return ReadUnsigned(8, "UB8"); }
    std::int16_t SB2() { return static_cast<std::int16_t>(ReadSigned(2, "SB2")); }
    std::int32_t SB4() { return static_cast<std::int32_t>(ReadSigned(4, "SB4")); }
    std::int64_t SB8() { return ReadSigned(8, "SB8"); }

    std::vector<std::uint8_t> Raw(std::size_t n);
    void Skip(std::size_t n);
    // Bytes up to a NUL (consumed, not returned), at most maxLength before it.
    std::string CString(std::size_t maxLength);

    // CLR: hands the value to `sink` in pieces; returns false for NULL (length byte 0 or 0xFF).
    bool ClrTo(const ByteSink& sink);
    std::optional<std::vector<std::uint8_t>> Clr();
    std::string ClrText();  // NULL reads as ""
    void SkipClr();
    // UB4 length, then a CLR when the length is non-zero.
    std::string Lclr();
    std::vector<std::uint8_t> LclrBytes();

    // Without a source: no bytes remain. With one: the current piece is used up.
    bool AtEnd() const { return pos_ == current_.size(); }
    std::size_t RemainingInPiece() const { return current_.size() - pos_; }
    std::uint64_t Consumed() const { return consumed_ + pos_; }

private:
    void Refill();
    std::uint64_t ReadUnsigned(int maxSize, const char* what);
    std::int64_t ReadSigned(int maxSize, const char* what);
    std::uint64_t ReadMagnitude(int n);
    void Copy(std::size_t n, const ByteSink& sink);

    ByteSource* source_ = nullptr;
    std::span<const std::uint8_t> current_;
    std::size_t pos_ = 0;
    std::uint64_t consumed_ = 0;
};

}  // namespace oracle::wire
