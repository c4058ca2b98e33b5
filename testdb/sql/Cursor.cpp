#include "testdb/sql/Cursor.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "testdb/sql/OraError.h"
#include "testdb/sql/SelectList.h"

namespace testdb::sql {
namespace {

std::string Upper(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

std::string QuoteIdentifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

std::string Text(const char* text) { return text ? text : ""; }

// Where the select list starts: right after a leading SELECT keyword, or npos.
std::size_t SelectListStart(const std::string& sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (Upper(std::string_view(sql).substr(i, 6)) != "SELECT") return std::string::npos;
    const std::size_t end = i + 6;
    if (end < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_'))
        return std::string::npos;
    return end;
}

// Counts the reads of chosen BLOB columns while a statement is prepared, or turns them into
// NULLs. Installed only for the duration of one prepare.
class BlobReadFilter {
public:
    using Key = std::pair<std::string, std::string>;  // upper-case table, column

    BlobReadFilter(sqlite::Database& db, const std::set<Key>& columns, bool ignore)
        : db_(db), columns_(columns), ignore_(ignore) {
        sqlite3_set_authorizer(db_.Handle(), &BlobReadFilter::Callback, this);
    }
    ~BlobReadFilter() { sqlite3_set_authorizer(db_.Handle(), nullptr, nullptr); }
    BlobReadFilter(const BlobReadFilter&) = delete;
    BlobReadFilter& operator=(const BlobReadFilter&) = delete;

    int Reads(const Key& key) const {
        auto it = reads_.find(key);
        return it == reads_.end() ? 0 : it->second;
    }

private:
    static int Callback(void* self, int action, const char* table, const char* column, const char*,
                        const char*) {
        auto& filter = *static_cast<BlobReadFilter*>(self);
        if (action != SQLITE_READ || !table || !column) return SQLITE_OK;
        const Key key{Upper(table), Upper(column)};
        if (!filter.columns_.count(key)) return SQLITE_OK;
        ++filter.reads_[key];
        return filter.ignore_ ? SQLITE_IGNORE : SQLITE_OK;
    }

    sqlite::Database& db_;
    const std::set<Key>& columns_;
    bool ignore_;
    std::map<Key, int> reads_;
};

}  // namespace

Cursor::Cursor(sqlite::Database& db, std::string sql) : db_(db), sql_(std::move(sql)) {
    try {
        Start();
    } catch (const sqlite::ESqliteError& error) {
        throw TranslateSqliteError(error, sql_);
    }
}

void Cursor::Start() {
    sqlite::Statement original = db_.Prepare(sql_);
    sqlite3_stmt* stmt = original.Handle();
    const int count = original.ColumnCount();

    struct Candidate {
        int column;
        BlobReadFilter::Key key;
        std::string table, name;
    };
    std::vector<Candidate> candidates;
    // Names and declared types come from the statement as sent: in the rowid form the BLOB
    // columns are NULL expressions without a declared type.
    std::vector<std::string> names, declaredTypes;
    for (int i = 0; i < count; ++i) {
        names.push_back(Upper(Text(sqlite3_column_name(stmt, i))));
        declaredTypes.push_back(Text(sqlite3_column_decltype(stmt, i)));
        const std::string& declared = declaredTypes.back();
        const char* table = sqlite3_column_table_name(stmt, i);
        const char* origin = sqlite3_column_origin_name(stmt, i);
        if (table && origin && MapColumnType(declared, SQLITE_NULL).type == OraType::Blob)
            candidates.push_back({i, {Upper(table), Upper(origin)}, table, origin});
    }

    // Try the rowid form described in the header; fall back to the statement as it stands.
    const std::size_t listStart = SelectListStart(sql_);
    if (!candidates.empty() && listStart != std::string::npos) {
        std::vector<std::string> tables;
        std::set<BlobReadFilter::Key> keys;
        std::map<BlobReadFilter::Key, int> expected;
        for (const auto& c : candidates) {
            if (std::find(tables.begin(), tables.end(), c.table) == tables.end()) tables.push_back(c.table);
            keys.insert(c.key);
            ++expected[c.key];
        }
        std::string prefix;
        for (const auto& table : tables) prefix += " " + QuoteIdentifier(table) + ".rowid,";
        const std::string rewritten = sql_.substr(0, listStart) + prefix + sql_.substr(listStart);
        bool readsOnlyInSelectList = false;
        try {
            BlobReadFilter counter(db_, keys, false);
            db_.Prepare(rewritten);
            readsOnlyInSelectList = std::all_of(expected.begin(), expected.end(), [&](const auto& entry) {
                return counter.Reads(entry.first) == entry.second;
            });
        } catch (const sqlite::ESqliteError&) {
        }
        if (readsOnlyInSelectList) {
            BlobReadFilter filter(db_, keys, true);
            statement_.emplace(db_.Prepare(rewritten));
            hiddenColumns_ = static_cast<int>(tables.size());
            for (const auto& c : candidates) {
                const auto pos = std::find(tables.begin(), tables.end(), c.table) - tables.begin();
                blobSources_.push_back({c.column, static_cast<int>(pos), c.table, c.name});
            }
        }
    }
    if (!statement_) statement_.emplace(std::move(original));

    stmt = statement_->Handle();
    hasRow_ = statement_->Step();
    if (count == 0) {
        // Not a query: the statement has done its work by now.
        while (hasRow_) hasRow_ = statement_->Step();
        rowCount_ = static_cast<std::uint64_t>(statement_->Changes());
        done_ = true;
        return;
    }
    const auto literals = NumberLiteralItems(sql_, static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        const int storage = hasRow_ ? sqlite3_column_type(stmt, static_cast<int>(i) + hiddenColumns_) : SQLITE_NULL;
        auto type = MapColumnType(declaredTypes[i], storage);
        if (declaredTypes[i].empty() && literals[i]) type = NumberLiteralType(*literals[i]).value_or(type);
        columns_.push_back({names[i], type, true});
    }
}

std::optional<Row> Cursor::Next() {
    if (done_ || !hasRow_) {
        done_ = true;
        return std::nullopt;
    }
    try {
        Row row = ReadRow();
        ++rowCount_;
        hasRow_ = statement_->Step();
        return row;
    } catch (const sqlite::ESqliteError& error) {
        done_ = true;
        throw TranslateSqliteError(error, sql_);
    }
}

Row Cursor::ReadRow() {
    Row row;
    row.reserve(columns_.size());
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) row.push_back(ReadValue(i));
    return row;
}

Value Cursor::ReadValue(int column) const {
    for (const auto& source : blobSources_) {
        if (source.resultColumn != column) continue;
        if (statement_->ColumnType(source.rowidColumn) == SQLITE_NULL) return Null{};
        const std::int64_t rowid = statement_->ColumnInt(source.rowidColumn);
        try {
            sqlite::Blob blob(db_.Handle(), source.table, source.column, rowid, false);
            return StoredBlob{source.table, source.column, rowid, blob.Size()};
        } catch (const sqlite::ESqliteError&) {
            // SQLite refuses to open a cell that holds NULL (or, by mistake, text or a number).
            return Null{};
        }
    }
    const int at = column + hiddenColumns_;
    switch (statement_->ColumnType(at)) {
        case SQLITE_INTEGER: return statement_->ColumnInt(at);
        case SQLITE_FLOAT: return statement_->ColumnDouble(at);
        case SQLITE_TEXT: return statement_->ColumnText(at);
        case SQLITE_BLOB: {
            auto bytes = statement_->ColumnBlob(at);
            return Bytes(bytes.begin(), bytes.end());
        }
        default: return Null{};
    }
}

}  // namespace testdb::sql
