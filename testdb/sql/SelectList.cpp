#include "testdb/sql/SelectList.h"

#include <cctype>

namespace testdb::sql {
namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '#'; }

bool KeywordAt(std::string_view text, std::size_t at, std::string_view keyword) {
    if (at + keyword.size() > text.size()) return false;
    if (at > 0 && IsWordChar(text[at - 1])) return false;
    for (std::size_t i = 0; i < keyword.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[at + i])) != keyword[i]) return false;
    return at + keyword.size() == text.size() || !IsWordChar(text[at + keyword.size()]);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Splits the list at its top-level commas, up to a top-level FROM; comments count as spaces.
// Nothing when the statement does not start with SELECT.
std::optional<std::vector<std::string>> SplitSelectList(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size() && IsSpace(sql[i])) ++i;
    if (!KeywordAt(sql, i, "SELECT")) return std::nullopt;
    i += 6;
    std::vector<std::string> items(1);
    int depth = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t close = sql.find(c, i + 1);  // a doubled quote reopens right away
            const std::size_t end = close == std::string_view::npos ? sql.size() : close + 1;
            items.back() += sql.substr(i, end - i);
            i = end;
        } else if (sql.substr(i, 2) == "--") {
            i = sql.find('\n', i);
            items.back() += ' ';
        } else if (sql.substr(i, 2) == "/*") {
            const std::size_t close = sql.find("*/", i + 2);
            i = close == std::string_view::npos ? sql.size() : close + 2;
            items.back() += ' ';
        } else if (depth == 0 && KeywordAt(sql, i, "FROM")) {
            break;
        } else {
            if (c == '(') ++depth;
            if (c == ')') --depth;
            if (c == ',' && depth == 0) items.emplace_back();
            else items.back() += c;
            ++i;
        }
    }
    return items;
}

// The length of a number literal at the start of `text` ("-12.5e3"), or 0.
std::size_t NumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
        const std::size_t exponentStart = j;
        while (j < text.size() && IsDigit(text[j])) ++j;
        if (j > exponentStart) i = j;
    }
    return i;
}

// An alias as it may follow an item: [AS] name or [AS] "quoted name", or nothing at all.
bool IsAliasOrEmpty(std::string_view rest) {
    rest = Trim(rest);
    if (rest.empty()) return true;
    if (KeywordAt(rest, 0, "AS")) rest = Trim(rest.substr(2));
    if (rest.size() >= 2 && rest.front() == '"') return rest.find('"', 1) == rest.size() - 1;
    if (rest.empty() || IsDigit(rest.front())) return false;
    for (char c : rest)
        if (!IsWordChar(c)) return false;
    return true;
}

}  // namespace

std::vector<std::optional<std::string>> NumberLiteralItems(std::string_view sql, std::size_t columnCount) {
    std::vector<std::optional<std::string>> literals(columnCount);
    const auto items = SplitSelectList(sql);
    if (!items || items->size() != columnCount) return literals;
    for (std::size_t i = 0; i < columnCount; ++i) {
        const std::string_view item = Trim((*items)[i]);
        const std::size_t length = NumberLength(item);
        const bool separated = length == item.size() || IsSpace(item[length]) || item[length] == '"';
        if (length > 0 && separated && IsAliasOrEmpty(item.substr(length))) literals[i] = std::string(item.substr(0, length));
    }
    return literals;
}

}  // namespace testdb::sql
