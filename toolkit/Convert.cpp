#include "toolkit/Convert.h"

#include <optional>

#include "toolkit/Exception.h"

namespace toolkit {
namespace {

std::optional<unsigned> DigitValue(char16_t c, unsigned base) {
    unsigned v;
    if (c >= u'0' && c <= u'9') {
        v = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
        v = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
        v = c - u'A' + 10;
    } else {
        return std::nullopt;
    }
    return v;
}

// Accumulates digits into a magnitude, giving up once it passes `limit`.
std::optional<std::uint64_t> ParseMagnitude(StringView digits, unsigned base, std::uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char16_t c : digits) {
        auto d = DigitValue(c, base);
        if (!d) return std::nullopt;
        value = value * base + *d;
        if (value > limit) return std::nullopt;
    }
    return value;
}

bool StartsWith(StringView text, StringView prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::int32_t StrToInt(StringView text) {
    const auto fail = [&]() -> EConvertError {
        return EConvertError(u"'" + String(text) + u"' не является допустимым целым числом");
    };

    StringView rest = text;
    while (!rest.empty() && rest.front() == u' ') rest.remove_prefix(1);

    bool negative = false;
    if (!rest.empty() && (rest.front() == u'+' || rest.front() == u'-')) {
        negative = rest.front() == u'-';
        rest.remove_prefix(1);
    }

    for (StringView prefix : {StringView(u"0x"), StringView(u"0X"), StringView(u"$"), StringView(u"x"),
                              StringView(u"X")}) {
        if (!StartsWith(rest, prefix)) continue;
        auto bits = ParseMagnitude(rest.substr(prefix.size()), 16, 0xFFFFFFFFu);
        if (!bits) throw fail();
        // The digits give the bit pattern; a minus sign negates it in two's complement.
        std::uint32_t pattern = static_cast<std::uint32_t>(*bits);
        if (negative) pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }

    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    auto magnitude = ParseMagnitude(rest, 10, limit);
    if (!magnitude) throw fail();
    const auto signedValue = static_cast<std::int64_t>(*magnitude);
    return static_cast<std::int32_t>(negative ? -signedValue : signedValue);
}

}  // namespace toolkit
