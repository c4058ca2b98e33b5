#include "oracle/wire/Number.h"

#include <charconv>
#include <limits>

#include "oracle/wire/Errors.h"

namespace oracle::wire {
namespace {

constexpr int kMaxPairs = 20;
constexpr int kMinExponent = -65;
constexpr int kMaxExponent = 62;
constexpr std::uint8_t kNegativeTerminator = 102;

[[noreturn]] void NotANumber(std::string_view text, const char* why) {
    throw toolkit::EConvertError(toolkit::Utf8ToString("'" + std::string(text) + "' " + why));
}

// The sign, base-100 exponent of the first digit pair, and the pairs of a decoded NUMBER.
struct Digits {
    bool negative = false;
    int exponent = 0;
    std::vector<int> pairs;  // empty for zero
};

Digits Split(std::span<const std::uint8_t> b) {
    if (b.empty() || b.size() > 22) ThrowProtocol("NUMBER of " + std::to_string(b.size()) + " bytes");
    Digits d;
    if (b[0] == 0x80) {
        if (b.size() != 1) ThrowProtocol("malformed NUMBER: zero with digits");
        return d;
    }
    d.negative = (b[0] & 0x80) == 0;
    auto mantissa = b.subspan(1);
    if (d.negative) {
        d.exponent = (~b[0] & 0xFF) - 0xC1;
        if (!mantissa.empty() && mantissa.back() == kNegativeTerminator) mantissa = mantissa.first(mantissa.size() - 1);
    } else {
        d.exponent = b[0] - 0xC1;
    }
    if (mantissa.empty() || mantissa.size() > kMaxPairs) ThrowProtocol("malformed NUMBER: bad digit count");
    for (auto byte : mantissa) {
        const int pair = d.negative ? 101 - byte : byte - 1;
        if (pair < 0 || pair > 99) ThrowProtocol("malformed NUMBER: digit byte out of range");
        d.pairs.push_back(pair);
    }
    return d;
}

}  // namespace

std::vector<std::uint8_t> EncodeNumber(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::string digits;
    int pointAt = -1;  // digits before the decimal point
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.' && pointAt < 0) {
            pointAt = static_cast<int>(digits.size());
        } else if (text[i] >= '0' && text[i] <= '9') {
            digits.push_back(text[i]);
        } else {
            NotANumber(text, "is not a number");
        }
    }
    if (digits.empty()) NotANumber(text, "is not a number");
    if (pointAt < 0) pointAt = static_cast<int>(digits.size());
    if (i < text.size()) {
        int exponent = 0;
        const auto* first = text.data() + i + 1;
        if (first < text.data() + text.size() && *first == '+') ++first;
        const auto [end, ec] = std::from_chars(first, text.data() + text.size(), exponent);
        if (ec != std::errc() || end != text.data() + text.size() || first == end) NotANumber(text, "is not a number");
        if (exponent > 1000 || exponent < -1000) NotANumber(text, "is out of NUMBER's range");
        pointAt += exponent;
    }
    // value = 0.digits x 10^pointAt; drop zeros that carry no information.
    std::size_t lead = 0;
    while (lead < digits.size() && digits[lead] == '0') ++lead;
    digits.erase(0, lead);
    pointAt -= static_cast<int>(lead);
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) return {0x80};
    // Align to base 100: the digits before the point must be an even count.
    if (pointAt % 2 != 0) {
        digits.insert(digits.begin(), '0');
        ++pointAt;
    }
    if (digits.size() % 2 != 0) digits.push_back('0');
    const int pairCount = static_cast<int>(digits.size() / 2);
    if (pairCount > kMaxPairs) NotANumber(text, "has more than 40 significant digits");
    const int exponent = pointAt / 2 - 1;
    if (exponent < kMinExponent || exponent > kMaxExponent) NotANumber(text, "is out of NUMBER's range");

    std::vector<std::uint8_t> out;
    const auto head = static_cast<std::uint8_t>(0xC1 + exponent);
    out.push_back(negative ? static_cast<std::uint8_t>(~head) : head);
    for (int k = 0; k < pairCount; ++k) {
        const int pair = (digits[2 * k] - '0') * 10 + (digits[2 * k + 1] - '0');
        out.push_back(static_cast<std::uint8_t>(negative ? 101 - pair : pair + 1));
    }
    if (negative && pairCount < kMaxPairs) out.push_back(kNegativeTerminator);
    return out;
}

std::vector<std::uint8_t> EncodeNumber(std::int64_t value) { return EncodeNumber(std::to_string(value)); }

std::string DecodeNumber(std::span<const std::uint8_t> bytes) {
    const auto d = Split(bytes);
    if (d.pairs.empty()) return "0";
    const int n = static_cast<int>(d.pairs.size());
    std::string integer;
    std::string fraction;
    for (int k = 0; k <= d.exponent || k < n; ++k) {
        const int pair = k < n ? d.pairs[k] : 0;
        const char two[2] = {static_cast<char>('0' + pair / 10), static_cast<char>('0' + pair % 10)};
        (k <= d.exponent ? integer : fraction).append(two, 2);
    }
    if (d.exponent < 0) fraction.insert(0, static_cast<std::size_t>(-d.exponent - 1) * 2, '0');
    const auto firstNonZero = integer.find_first_not_of('0');
    integer = firstNonZero == std::string::npos ? "0" : integer.substr(firstNonZero);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string text = d.negative ? "-" : "";
    text += integer;
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

std::optional<std::int64_t> NumberToInt64(std::span<const std::uint8_t> bytes) {
    const auto d = Split(bytes);
    if (d.pairs.empty()) return 0;
    if (d.exponent < 0 || static_cast<int>(d.pairs.size()) > d.exponent + 1 || d.exponent > 9) return std::nullopt;
    // Accumulate negatively so that INT64_MIN is reachable.
    std::int64_t value = 0;
    for (int k = 0; k <= d.exponent; ++k) {
        const int pair = k < static_cast<int>(d.pairs.size()) ? d.pairs[k] : 0;
        if (value < (std::numeric_limits<std::int64_t>::min() + pair) / 100) return std::nullopt;
        value = value * 100 - pair;
    }
    if (!d.negative) {
        if (value == std::numeric_limits<std::int64_t>::min()) return std::nullopt;
        value = -value;
    }
    return value;
}

double NumberToDouble(std::span<const std::uint8_t> bytes) {
    const auto text = DecodeNumber(bytes);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace oracle::wire
