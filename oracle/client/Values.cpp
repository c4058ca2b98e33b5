#include "oracle/client/Values.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "oracle/crypto/Hex.h"
#include "oracle/wire/Errors.h"
#include "oracle/wire/Number.h"
#include "oracle/wire/Ttc.h"
#include "toolkit/Exception.h"

namespace oracle::client {
namespace {

namespace type = wire::type;
using Bytes = std::vector<std::uint8_t>;

toolkit::String FromUtf16Be(const Bytes& b) {
    toolkit::String out;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) out.push_back(static_cast<char16_t>(b[i] << 8 | b[i + 1]));
    return out;
}

toolkit::String Ascii(const std::string& text) { return toolkit::Utf8ToString(text); }

std::string TwoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// DATE and TIMESTAMP bytes: century+100, year+100, month, day, hour+1, minute+1, second+1,
// then for TIMESTAMP a 32-bit nanosecond count, and for time zones hour+20 and minute+60.
std::string DateTimeText(const Bytes& b, const std::string& column) {
    if (b.size() < 7) ThrowProtocol("malformed DATE value in column " + column);
    const int year = (b[0] - 100) * 100 + (b[1] - 100);
    std::string text = std::to_string(year) + "-" + TwoDigits(b[2]) + "-" + TwoDigits(b[3]) + " " +
                       TwoDigits(b[4] - 1) + ":" + TwoDigits(b[5] - 1) + ":" + TwoDigits(b[6] - 1);
    if (b.size() >= 11) {
        const std::uint32_t ns = static_cast<std::uint32_t>(b[7]) << 24 | b[8] << 16 | b[9] << 8 | b[10];
        if (ns != 0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, ".%09u", ns);
            std::string fraction = buf;
            fraction.erase(fraction.find_last_not_of('0') + 1);
            text += fraction;
        }
    }
    if (b.size() >= 13 && (b[11] & 0x80) == 0) {
        const int hours = b[11] - 20;
        const int minutes = b[12] - 60;
        text += (hours < 0 || minutes < 0 ? " -" : " +") + TwoDigits(std::abs(hours)) + ":" + TwoDigits(std::abs(minutes));
    }
    return text;
}

// BINARY_FLOAT/DOUBLE: IEEE bytes big-endian, sign bit flipped for positives, all bits for negatives.
std::string BinaryNumberText(Bytes b) {
    if (b.size() != 4 && b.size() != 8) ThrowProtocol("malformed BINARY_FLOAT/DOUBLE value");
    if (b[0] & 0x80) {
        b[0] &= 0x7F;
    } else {
        for (auto& byte : b) byte = static_cast<std::uint8_t>(~byte);
    }
    char buf[64];
    if (b.size() == 4) {
        std::uint32_t bits = static_cast<std::uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
        float f;
        std::memcpy(&f, &bits, sizeof f);
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, f);
        return std::string(buf, end);
    }
    std::uint64_t bits = 0;
    for (auto byte : b) bits = bits << 8 | byte;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, end);
}

}  // namespace

toolkit::String CellText(const wire::Column& column, const wire::Cell& cell) {
    if (cell.null) return {};
    const auto& b = cell.bytes;
    switch (column.type) {
        case type::kVarchar:
        case type::kChar:
        case type::kLong:
            if (column.charsetForm == wire::kCharsetFormNational) return FromUtf16Be(b);
            return toolkit::Utf8ToString(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
        case type::kRowid:
            return Ascii(std::string(b.begin(), b.end()));
        case type::kNumber:
        case type::kBinaryInteger:
            return Ascii(wire::DecodeNumber(b));
        case type::kBinaryFloat:
        case type::kBinaryDouble:
            return Ascii(BinaryNumberText(b));
        case type::kDate:
        case type::kTimestamp:
        case type::kTimestampTz:
        case type::kTimestampLtz:
            return Ascii(DateTimeText(b, column.name));
        case type::kBoolean:
            return b.empty() || b.back() != 1 ? u"False" : u"True";
        case type::kClob:
        case type::kBlob:
        case type::kBfile:
            throw toolkit::EConvertError(toolkit::Utf8ToString("field " + column.name + " holds a LOB; it has no text value here"));
        default:  // RAW, LONG RAW, UROWID, intervals: their bytes in hex
            return Ascii(crypto::HexEncode(b));
    }
}

std::int32_t CellInteger(const wire::Column& column, const wire::Cell& cell) {
    if (cell.null) return 0;
    if (column.type == type::kNumber || column.type == type::kBinaryInteger) {
        const auto value = wire::NumberToInt64(cell.bytes);
        if (value && *value >= INT32_MIN && *value <= INT32_MAX) return static_cast<std::int32_t>(*value);
    }
    const auto text = toolkit::StringToUtf8(CellText(column, cell));
    throw toolkit::EConvertError(toolkit::Utf8ToString("'" + text + "' in field " + column.name +
                                                       " is not a valid 32-bit integer"));
}

}  // namespace oracle::client
