#include "oracle/wire/ByteWriter.h"

#include <algorithm>

namespace oracle::wire {
namespace {

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

void ByteWriter::U16BE(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v >> 8));
    U8(static_cast<std::uint8_t>(v));
}

void ByteWriter::U16LE(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::U32BE(std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) U8(static_cast<std::uint8_t>(v >> shift));
}

void ByteWriter::UB8(std::uint64_t v) {
    // Peers expect 1, 2, 4 or 8 magnitude bytes, never other widths.
    int n = v == 0 ? 0 : v <= 0xFF ? 1 : v <= 0xFFFF ? 2 : v <= 0xFFFFFFFFu ? 4 : 8;
    U8(static_cast<std::uint8_t>(n));
    for (int i = n - 1; i >= 0; --i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ByteWriter::SB8(std::int64_t v) {
    if (v >= 0) {
        UB8(static_cast<std::uint64_t>(v));
        return;
    }
    const auto magnitude = static_cast<std::uint64_t>(-(v + 1)) + 1;
    const auto start = bytes_.size();
    UB8(magnitude);
    bytes_[start] |= 0x80;
}

void ByteWriter::Raw(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

void ByteWriter::Raw(std::string_view text) { Raw(AsBytes(text)); }

void ByteWriter::Clr(std::span<const std::uint8_t> bytes) {
    if (bytes.size() <= kClrMaxShort) {
        U8(static_cast<std::uint8_t>(bytes.size()));
        Raw(bytes);
        return;
    }
    U8(kClrLongForm);
    for (std::size_t offset = 0; offset < bytes.size(); offset += kClrChunk) {
        const auto n = std::min(kClrChunk, bytes.size() - offset);
        UB4(static_cast<std::uint32_t>(n));
        Raw(bytes.subspan(offset, n));
    }
    UB4(0);
}

void ByteWriter::Clr(std::string_view text) { Clr(AsBytes(text)); }

void ByteWriter::Lclr(std::span<const std::uint8_t> bytes) {
    UB4(static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty()) Clr(bytes);
}

void ByteWriter::Lclr(std::string_view text) { Lclr(AsBytes(text)); }

void ByteWriter::KeyValue(std::string_view key, std::string_view value, std::uint32_t flags) {
    Lclr(key);
    Lclr(value);
    UB4(flags);
}

}  // namespace oracle::wire
