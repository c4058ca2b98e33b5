#pragma once
// A client's statement run by SQLite exactly as sent. The cursor describes its columns the way
// an Oracle server would and hands out rows one at a time.
//
// BLOB columns read straight from a table are never loaded into memory: the statement is run
// with the table's rowid added in front of the select list and with those BLOB reads turned into
// NULLs, and each row carries a StoredBlob reference for incremental reading instead. Statements
// where that is not possible (an aliased table, the BLOB also used in WHERE, ...) run unchanged
// and their BLOB values travel in memory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "testdb/sql/ColumnType.h"
#include "testdb/sql/Value.h"
#include "testdb/sqlite/Database.h"

namespace testdb::sql {

struct Column {
    std::string name;  // as Oracle shows an unquoted name: upper case
    ColumnType type;
    bool nullable = true;
};

class Cursor {
public:
    // Prepares and starts the statement; raises EOraServerError for what SQLite rejects.
    Cursor(sqlite::Database& db, std::string sql);

    bool IsQuery() const { return !columns_.empty(); }
    const std::vector<Column>& Columns() const { return columns_; }
    // Rows changed by a DML statement, rows handed out by a query.
    std::uint64_t RowCount() const { return rowCount_; }
    const std::string& Sql() const { return sql_; }

    // The next row, or nothing once the result is exhausted. Raises EOraServerError.
    std::optional<Row> Next();
    bool Exhausted() const { return done_ || !hasRow_; }

private:
    struct BlobSource {
        int resultColumn;
        int rowidColumn;  // column of the hidden rowid in the executed statement
        std::string table;
        std::string column;
    };

    void Start();
    bool Step();
    Row ReadRow();
    Value ReadValue(int column) const;

    sqlite::Database& db_;
    std::string sql_;
    std::optional<sqlite::Statement> statement_;
    std::vector<Column> columns_;
    std::vector<BlobSource> blobSources_;
    int hiddenColumns_ = 0;
    bool hasRow_ = false;
    bool done_ = false;
    std::uint64_t rowCount_ = 0;
};

}  // namespace testdb::sql
