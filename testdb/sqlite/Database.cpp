#include "testdb/sqlite/Database.h"

#include <limits>

namespace testdb::sqlite {

ESqliteError::ESqliteError(int code, std::string message, int offset)
    : toolkit::Exception(toolkit::Utf8ToString("SQLite: " + message)),
      code_(code),
      sqliteMessage_(std::move(message)),
      offset_(offset) {}

namespace {

[[noreturn]] void ThrowFrom(sqlite3* db, int code) {
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw ESqliteError(code, message ? message : "unknown error", db ? sqlite3_error_offset(db) : -1);
}

void Check(sqlite3* db, int code) {
    if (code != SQLITE_OK) ThrowFrom(db, code);
}

}  // namespace

Database::Database(const std::string& path, Mode mode) {
    sqlite3* raw = nullptr;
    // Each connection thread owns its own Database, so SQLite's own locking is not needed.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (mode == Mode::CreateIfMissing) flags |= SQLITE_OPEN_CREATE;
    const int code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    db_.reset(raw);
    if (code != SQLITE_OK) {
        const std::string message = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(code);
        throw ESqliteError(code, "cannot open " + path + ": " + message, -1);
    }
    sqlite3_extended_result_codes(raw, 1);
    // Writers (publish, sql) and readers (serve) may share the file; wait instead of failing.
    sqlite3_busy_timeout(raw, 5000);
}

void Database::Execute(std::string_view sql) {
    std::string text(sql);
    char* error = nullptr;
    const int code = sqlite3_exec(db_.get(), text.c_str(), nullptr, nullptr, &error);
    if (code != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errstr(code);
        sqlite3_free(error);
        throw ESqliteError(code, message, sqlite3_error_offset(db_.get()));
    }
}

Statement Database::Prepare(std::string_view sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw ESqliteError(SQLITE_TOOBIG, "statement too long", -1);
    const int code = sqlite3_prepare_v2(db_.get(), sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (code != SQLITE_OK) {
        // Read the message and offset before finalize can reset them.
        ESqliteError error(code, sqlite3_errmsg(db_.get()), sqlite3_error_offset(db_.get()));
        sqlite3_finalize(stmt);
        throw error;
    }
    if (!stmt) throw ESqliteError(SQLITE_MISUSE, "empty statement", 0);
    return Statement(db_.get(), stmt);
}

std::int64_t Database::LastInsertRowid() const { return sqlite3_last_insert_rowid(db_.get()); }

void Database::ThrowLastError() const { ThrowFrom(db_.get(), sqlite3_errcode(db_.get())); }

bool Statement::Step() {
    const int code = sqlite3_step(stmt_.get());
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    ThrowFrom(db_, code);
}

void Statement::Reset() { sqlite3_reset(stmt_.get()); }

void Statement::BindInt(int index, std::int64_t value) {
    Check(db_, sqlite3_bind_int64(stmt_.get(), index, value));
}

void Statement::BindText(int index, std::string_view value) {
    Check(db_, sqlite3_bind_text64(stmt_.get(), index, value.data(), value.size(), SQLITE_TRANSIENT,
                                   SQLITE_UTF8));
}

void Statement::BindZeroBlob(int index, std::int64_t size) {
    Check(db_, sqlite3_bind_zeroblob64(stmt_.get(), index, static_cast<sqlite3_uint64>(size)));
}

std::string Statement::ColumnText(int column) const {
    const auto* text = sqlite3_column_text(stmt_.get(), column);
    const int size = sqlite3_column_bytes(stmt_.get(), column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

std::span<const std::uint8_t> Statement::ColumnBlob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_.get(), column));
    const int size = sqlite3_column_bytes(stmt_.get(), column);
    if (!data) return {};
    return {data, static_cast<std::size_t>(size)};
}

Blob::Blob(sqlite3* db, const std::string& table, const std::string& column, std::int64_t rowid,
           bool writable)
    : db_(db) {
    sqlite3_blob* raw = nullptr;
    const int code = sqlite3_blob_open(db, "main", table.c_str(), column.c_str(), rowid, writable ? 1 : 0, &raw);
    blob_.reset(raw);
    Check(db, code);
}

void Blob::Read(std::span<std::uint8_t> out, std::int64_t offset) const {
    if (out.empty()) return;
    Check(db_, sqlite3_blob_read(blob_.get(), out.data(), static_cast<int>(out.size()), static_cast<int>(offset)));
}

void Blob::Write(std::span<const std::uint8_t> data, std::int64_t offset) {
    if (data.empty()) return;
    Check(db_, sqlite3_blob_write(blob_.get(), data.data(), static_cast<int>(data.size()), static_cast<int>(offset)));
}

}  // namespace testdb::sqlite
