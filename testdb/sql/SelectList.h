#pragma once
// What a SELECT's list says about its items before SQLite runs it: an item that is nothing but a
// number literal (with an optional sign and alias) is described by a real server with the size
// of that very number, which SQLite cannot tell apart from any other expression.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testdb::sql {

// One entry per column: the literal's text ("-3.14") for a bare number literal, nothing for any
// other item. All nothing when the list cannot be matched to the columns (not a SELECT, a star,
// a different number of items).
std::vector<std::optional<std::string>> NumberLiteralItems(std::string_view sql, std::size_t columnCount);

}  // namespace testdb::sql
