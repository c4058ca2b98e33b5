#pragma once
// Thin RAII owners of SQLite handles. Failures of SQLite itself raise ESqliteError carrying
// SQLite's message, result code and the byte offset of the offending token, so that callers can
// translate them into what an Oracle server would say.
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "toolkit/Exception.h"

namespace testdb::sqlite {

class ESqliteError : public toolkit::Exception {
public:
    ESqliteError(int code, std::string message, int offset);
    int Code() const noexcept { return code_; }
    // Byte offset in the statement text, or -1 when SQLite did not say.
    int Offset() const noexcept { return offset_; }
    const std::string& SqliteMessage() const noexcept { return sqliteMessage_; }
    const char* ClassName() const noexcept override { return "ESqliteError"; }

private:
    int code_;
    std::string sqliteMessage_;
    int offset_;
};

class Statement;

class Database {
public:
    enum class Mode { OpenExisting, CreateIfMissing };
    Database(const std::string& path, Mode mode);

    sqlite3* Handle() const { return db_.get(); }
    // Runs statements that return no rows (several may be separated by semicolons).
    void Execute(std::string_view sql);
    Statement Prepare(std::string_view sql);
    std::int64_t LastInsertRowid() const;
    [[noreturn]] void ThrowLastError() const;

private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Closer> db_;
};

class Statement {
public:
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}

    // True while a row is available; false once the statement is done.
    bool Step();
    void Reset();
    sqlite3_stmt* Handle() const { return stmt_.get(); }

    void BindInt(int index, std::int64_t value);
    void BindText(int index, std::string_view value);
    void BindZeroBlob(int index, std::int64_t size);

    int ColumnCount() const { return sqlite3_column_count(stmt_.get()); }
    int ColumnType(int column) const { return sqlite3_column_type(stmt_.get(), column); }
    std::int64_t ColumnInt(int column) const { return sqlite3_column_int64(stmt_.get(), column); }
    double ColumnDouble(int column) const { return sqlite3_column_double(stmt_.get(), column); }
    std::string ColumnText(int column) const;
    std::span<const std::uint8_t> ColumnBlob(int column) const;
    int Changes() const { return sqlite3_changes(db_); }

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
    };
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
};

// A BLOB cell opened for incremental I/O: reads and writes never hold the whole value.
class Blob {
public:
    Blob(sqlite3* db, const std::string& table, const std::string& column, std::int64_t rowid,
         bool writable);

    std::int64_t Size() const { return sqlite3_blob_bytes(blob_.get()); }
    void Read(std::span<std::uint8_t> out, std::int64_t offset) const;
    void Write(std::span<const std::uint8_t> data, std::int64_t offset);

private:
    struct Closer {
        void operator()(sqlite3_blob* blob) const { sqlite3_blob_close(blob); }
    };
    sqlite3* db_;
    std::unique_ptr<sqlite3_blob, Closer> blob_;
};

}  // namespace testdb::sqlite
