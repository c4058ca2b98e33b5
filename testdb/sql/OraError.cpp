#include "testdb/sql/OraError.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace testdb::sql {

EOraServerError::EOraServerError(int code, std::string text, int position)
    : toolkit::Exception(toolkit::Utf8ToString(text)), code_(code), text_(std::move(text)), position_(position) {}

std::string OraText(int code, std::string_view message) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    return prefix + std::string(message);
}

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string Upper(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

// Oracle folds unquoted identifiers to upper case and names the last part of a dotted name.
std::string IdentifierAsOracleShowsIt(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(dot + 1);
    return Upper(name);
}

// The first word of the statement decides whether Oracle would know the command at all.
bool IsKnownCommand(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    std::size_t end = i;
    while (end < sql.size() && std::isalpha(static_cast<unsigned char>(sql[end]))) ++end;
    const std::string word = Upper(sql.substr(i, end - i));
    static constexpr std::array<std::string_view, 14> kCommands = {
        "SELECT", "WITH", "INSERT", "UPDATE", "DELETE", "MERGE", "CREATE",
        "DROP", "ALTER", "COMMIT", "ROLLBACK", "BEGIN", "DECLARE", "EXPLAIN"};
    return std::find(kCommands.begin(), kCommands.end(), word) != kCommands.end();
}

// Where `name` first appears in the statement as a word of its own; SQLite does not report
// the position of a missing table, Oracle points at it.
int PositionOfName(std::string_view sql, std::string_view name) {
    const std::string upperSql = Upper(sql);
    const std::string upperName = IdentifierAsOracleShowsIt(name);
    auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::size_t at = upperSql.find(upperName); at != std::string::npos; at = upperSql.find(upperName, at + 1)) {
        const bool startOk = at == 0 || !isWordChar(upperSql[at - 1]);
        const std::size_t end = at + upperName.size();
        if (startOk && (end == upperSql.size() || !isWordChar(upperSql[end]))) return static_cast<int>(at);
    }
    return 0;
}

}  // namespace

EOraServerError TranslateSqliteError(const sqlite::ESqliteError& error, std::string_view sql) {
    const std::string& message = error.SqliteMessage();
    const int position = std::max(error.Offset(), 0);
    if (StartsWith(message, "no such table: ")) {
        const int at = error.Offset() >= 0 ? position : PositionOfName(sql, std::string_view(message).substr(15));
        return {942, OraText(942, "table or view does not exist"), at};
    }
    if (StartsWith(message, "no such column: ")) {
        const std::string name = IdentifierAsOracleShowsIt(std::string_view(message).substr(16));
        return {904, OraText(904, "\"" + name + "\": invalid identifier"), position};
    }
    if (message.find("syntax error") != std::string::npos || StartsWith(message, "incomplete input")) {
        if (!IsKnownCommand(sql)) return {900, OraText(900, "invalid SQL statement"), 0};
        if (StartsWith(message, "incomplete input"))
            return {921, OraText(921, "unexpected end of SQL command"), static_cast<int>(sql.size())};
        return {933, OraText(933, "SQL command not properly ended"), position};
    }
    if (error.Code() == SQLITE_CONSTRAINT_UNIQUE || error.Code() == SQLITE_CONSTRAINT_PRIMARYKEY)
        return {1, OraText(1, "unique constraint violated"), 0};
    if (error.Code() == SQLITE_CONSTRAINT_NOTNULL)
        return {1400, OraText(1400, "cannot insert NULL (" + message + ")"), 0};
    // Anything else keeps SQLite's own words under Oracle's number for internal errors of a
    // statement, so a test can still see what went wrong.
    return {604, OraText(604, "error occurred at recursive SQL level 1: " + message), position};
}

}  // namespace testdb::sql
