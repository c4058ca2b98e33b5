#include "testdb/sql/ColumnType.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "oracle/wire/Number.h"
#include "toolkit/Exception.h"

namespace testdb::sql {
namespace {

constexpr std::int8_t kFloatScale = -127;  // how Oracle marks NUMBER without a fixed scale
constexpr std::uint32_t kNumberSize = 22;
constexpr std::uint32_t kDefaultStringSize = 4000;

std::string Upper(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

bool Has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// The numbers in "NAME(a, b)"; absent parts are empty.
struct SizeArguments {
    std::optional<int> first;
    std::optional<int> second;
};

SizeArguments ParseArguments(const std::string& declared) {
    SizeArguments result;
    const auto open = declared.find('(');
    if (open == std::string::npos) return result;
    const char* p = declared.data() + open + 1;
    const char* end = declared.data() + declared.size();
    auto readNumber = [&](std::optional<int>& out) {
        while (p < end && *p == ' ') ++p;
        int value = 0;
        bool negative = p < end && *p == '-';
        if (negative) ++p;
        auto [next, ec] = std::from_chars(p, end, value);
        if (ec == std::errc()) {
            out = negative ? -value : value;
            p = next;
        }
        while (p < end && *p == ' ') ++p;
    };
    readNumber(result.first);
    if (p < end && *p == ',') {
        ++p;
        readNumber(result.second);
    }
    return result;
}

std::int8_t ClampToInt8(int value) { return static_cast<std::int8_t>(std::clamp(value, -128, 127)); }

ColumnType Number(std::int8_t precision, std::int8_t scale) {
    return {OraType::Number, precision, scale, kNumberSize};
}

ColumnType FromStorageClass(int storageClass) {
    switch (storageClass) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: return Number(0, kFloatScale);
        case SQLITE_BLOB: return {OraType::Raw, 0, 0, 2000};
        default: return {OraType::Varchar2, 0, 0, kDefaultStringSize};
    }
}

}  // namespace

ColumnType MapColumnType(std::string_view declaredType, int storageClass) {
    const std::string declared = Upper(declaredType);
    if (declared.empty()) return FromStorageClass(storageClass);
    const SizeArguments args = ParseArguments(declared);
    if (Has(declared, "BLOB")) return {OraType::Blob, 0, 0, 4000};
    if (Has(declared, "BINARY_DOUBLE")) return {OraType::BinaryDouble, 0, 0, 8};
    if (Has(declared, "BINARY_FLOAT")) return {OraType::BinaryFloat, 0, 0, 4};
    if (Has(declared, "RAW")) return {OraType::Raw, 0, 0, static_cast<std::uint32_t>(args.first.value_or(2000))};
    if (Has(declared, "CHAR") || Has(declared, "TEXT") || Has(declared, "CLOB")) {
        // Clients without 32K strings take longer columns as LONG; text here stays VARCHAR2.
        const int size = std::clamp(args.first.value_or(static_cast<int>(kDefaultStringSize)), 1,
                                    static_cast<int>(kDefaultStringSize));
        return {OraType::Varchar2, 0, 0, static_cast<std::uint32_t>(size)};
    }
    // Oracle's INTEGER is NUMBER(38); REAL and FLOAT are binary-precision floating NUMBERs.
    if (Has(declared, "INT")) return Number(38, 0);
    if (Has(declared, "REAL")) return Number(63, kFloatScale);
    if (Has(declared, "FLOA") || Has(declared, "DOUB")) return Number(126, kFloatScale);
    if (Has(declared, "NUMBER") || Has(declared, "NUMERIC") || Has(declared, "DEC")) {
        if (!args.first) return Number(0, kFloatScale);
        return Number(ClampToInt8(*args.first), ClampToInt8(args.second.value_or(0)));
    }
    // DATE, TIMESTAMP and anything else SQLite keeps as text reach the client as text.
    return {OraType::Varchar2, 0, 0, kDefaultStringSize};
}

std::optional<ColumnType> NumberLiteralType(std::string_view literal) {
    try {
        const auto size = static_cast<std::uint32_t>(oracle::wire::EncodeNumber(literal).size());
        return ColumnType{OraType::Number, 0, kFloatScale, size};
    } catch (const toolkit::EConvertError&) {
        return std::nullopt;
    }
}

}  // namespace testdb::sql
