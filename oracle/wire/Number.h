#pragma once
// Oracle NUMBER: an exponent byte then up to 20 base-100 digits. Positive values store 0xC1 + e
// and each digit + 1; negative values store the complement, each digit as 101 - d, and a 102
// terminator when fewer than 20 digits are present. Zero is the single byte 0x80.
//
//   EncodeNumber("-123.456")        -> 3D 64 4E 38 29 66
//   DecodeNumber(bytes)             -> "-123.456"   (canonical decimal text, no exponent)
//   NumberToInt64(bytes)            -> the value if it is an integer that fits, else nothing
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace oracle::wire {

// Decimal text such as "42", "-0.5", "1.5e-7"; raises toolkit::EConvertError when it is not a
// number or needs more than 40 significant digits or lies outside NUMBER's exponent range.
std::vector<std::uint8_t> EncodeNumber(std::string_view decimal);
std::vector<std::uint8_t> EncodeNumber(std::int64_t value);

// Raise EOraProtocolError on bytes that are not a valid NUMBER.
std::string DecodeNumber(std::span<const std::uint8_t> bytes);
std::optional<std::int64_t> NumberToInt64(std::span<const std::uint8_t> bytes);
double NumberToDouble(std::span<const std::uint8_t> bytes);

}  // namespace oracle::wire
