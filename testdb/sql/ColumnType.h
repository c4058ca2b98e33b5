#pragma once
// How a result column looks to an Oracle client, derived from SQLite's declared type of the
// column (or, for expressions without one, from the number literal it is or from the storage
// class of the first value).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace testdb::sql {

// Oracle's external type numbers as they appear in a describe.
enum class OraType : std::uint8_t {
    Varchar2 = 1,
    Number = 2,
    Raw = 23,
    BinaryFloat = 100,
    BinaryDouble = 101,
    Blob = 113,
};

struct ColumnType {
    OraType type = OraType::Varchar2;
    std::int8_t precision = 0;
    std::int8_t scale = 0;
    std::uint32_t maxSize = 4000;  // bytes; characters too for VARCHAR2
};

// `declared` is SQLite's declared type (may be empty); `storageClass` an SQLITE_* type code of
// the first value, used only when nothing was declared.
ColumnType MapColumnType(std::string_view declared, int storageClass);

// A column that is a number literal ("3.14"): NUMBER, sized by the literal's own encoded bytes
// as Oracle describes it. Nothing when the text is no NUMBER.
std::optional<ColumnType> NumberLiteralType(std::string_view literal);

}  // namespace testdb::sql
