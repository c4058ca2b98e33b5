#include "oracle/wire/ByteReader.h"

#include <algorithm>

#include "oracle/wire/ByteWriter.h"
#include "oracle/wire/Errors.h"

namespace oracle::wire {

void ByteReader::Refill() {
    if (source_ == nullptr) ThrowProtocol("TTC message cut short: the data ended inside a value");
    consumed_ += pos_;
    current_ = source_->Next();
    pos_ = 0;
    if (current_.empty()) ThrowProtocol("TTC message cut short: empty continuation");
}

std::uint8_t ByteReader::U8() {
    if (pos_ == current_.size()) Refill();
    return current_[pos_++];
}

std::uint16_t ByteReader::U16BE() {
    const auto hi = U8();
    return static_cast<std::uint16_t>((hi << 8) | U8());
}

std::uint16_t ByteReader::U16LE() {
    const auto lo = U8();
    return static_cast<std::uint16_t>(lo | (U8() << 8));
}

std::uint32_t ByteReader::U32BE() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | U8();
    return v;
}

std::uint64_t ByteReader::ReadMagnitude(int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | U8();
    return v;
}

std::uint64_t ByteReader::ReadUnsigned(int maxSize, const char* what) {
    const int n = U8();
    if (n & 0x80) ThrowProtocol(std::string("negative value where an unsigned ") + what + " was expected");
    if (n > maxSize) {
        ThrowProtocol(std::string(what) + " of length " + std::to_string(n) + " (at most " +
                      std::to_string(maxSize) + " allowed)");
    }
    return ReadMagnitude(n);
}

std::int64_t ByteReader::ReadSigned(int maxSize, const char* what) {
    int n = U8();
    const bool negative = (n & 0x80) != 0;
    n &= 0x7F;
    if (n > maxSize) {
        ThrowProtocol(std::string(what) + " of length " + std::to_string(n) + " (at most " +
                      std::to_string(maxSize) + " allowed)");
    }
    const auto magnitude = ReadMagnitude(n);
    if (magnitude > static_cast<std::uint64_t>(INT64_MAX)) ThrowProtocol(std::string(what) + " out of range");
    const auto v = static_cast<std::int64_t>(magnitude);
    return negative ? -v : v;
}

void ByteReader::Copy(std::size_t n, const ByteSink& sink) {
    while (n > 0) {
        if (pos_ == current_.size()) Refill();
        const auto take = std::min(n, current_.size() - pos_);
        if (sink) sink(current_.subspan(pos_, take));
        pos_ += take;
        n -= take;
    }
}

std::vector<std::uint8_t> ByteReader::Raw(std::size_t n) {
    if (n > kMaxInlineValue) ThrowProtocol("value of " + std::to_string(n) + " bytes is too large");
    std::vector<std::uint8_t> out;
    // Grow with the bytes that actually arrive, so a lying length cannot force a huge allocation.
    Copy(n, [&](std::span<const std::uint8_t> piece) { out.insert(out.end(), piece.begin(), piece.end()); });
    return out;
}

void ByteReader::Skip(std::size_t n) { Copy(n, nullptr); }

std::string ByteReader::CString(std::size_t maxLength) {
    std::string out;
    for (;;) {
        const auto c = U8();
        if (c == 0) return out;
        if (out.size() == maxLength) ThrowProtocol("text without terminating NUL");
        out.push_back(static_cast<char>(c));
    }
}

bool ByteReader::ClrTo(const ByteSink& sink) {
    const auto length = U8();
    if (length == 0 || length == kClrNull) return false;
    if (length != kClrLongForm) {
        Copy(length, sink);
        return true;
    }
    for (;;) {
        const auto chunk = UB4();
        if (chunk == 0) return true;
        Copy(chunk, sink);
    }
}

std::optional<std::vector<std::uint8_t>> ByteReader::Clr() {
    std::vector<std::uint8_t> out;
    const bool present = ClrTo([&](std::span<const std::uint8_t> piece) {
        if (out.size() + piece.size() > kMaxInlineValue) ThrowProtocol("value too large to hold in memory");
        out.insert(out.end(), piece.begin(), piece.end());
    });
    if (!present) return std::nullopt;
    return out;
}

std::string ByteReader::ClrText() {
    const auto bytes = Clr();
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

void ByteReader::SkipClr() { ClrTo(nullptr); }

std::vector<std::uint8_t> ByteReader::LclrBytes() {
    if (UB4() == 0) return {};
    auto bytes = Clr();
    return bytes ? std::move(*bytes) : std::vector<std::uint8_t>{};
}

std::string ByteReader::Lclr() {
    const auto bytes = LclrBytes();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace oracle::wire
