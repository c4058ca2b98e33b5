#include "testdb/sql/Catalog.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "testdb/Error.h"

namespace testdb::sql {

void EnsureDual(sqlite::Database& db) {
    db.Execute(std::string("CREATE VIEW IF NOT EXISTS DUAL AS SELECT 'X' AS DUMMY, '") + kDatabaseTimeZone +
               "' AS DBTIMEZONE");
}

void EnsureListVersion(sqlite::Database& db) {
    db.Execute(
        "CREATE TABLE IF NOT EXISTS LIST_VERSION ("
        "ID_VERSION NUMBER(10) NOT NULL, "
        "ID_PROGRAM NUMBER(10) NOT NULL, "
        "NAME_FILE VARCHAR2(255), "
        "NAME_VERSION VARCHAR2(100), "
        "FILE_EXE BLOB)");
}

std::int64_t PublishBuild(sqlite::Database& db, const Build& build) {
    std::ifstream file(build.path, std::ios::binary | std::ios::ate);
    if (!file) Fail("cannot open " + build.path + ": " + std::strerror(errno));
    const std::int64_t size = static_cast<std::int64_t>(file.tellg());
    file.seekg(0);

    EnsureDual(db);
    EnsureListVersion(db);
    db.Execute("BEGIN IMMEDIATE");
    try {
        auto next = db.Prepare("SELECT COALESCE(MAX(ID_VERSION), 0) + 1 FROM LIST_VERSION");
        next.Step();
        const std::int64_t id = next.ColumnInt(0);
        auto insert = db.Prepare(
            "INSERT INTO LIST_VERSION (ID_VERSION, ID_PROGRAM, NAME_FILE, NAME_VERSION, FILE_EXE) "
            "VALUES (?, ?, ?, ?, ?)");
        insert.BindInt(1, id);
        insert.BindInt(2, build.program);
        insert.BindText(3, build.fileName);
        insert.BindText(4, build.version);
        insert.BindZeroBlob(5, size);
        insert.Step();

        {
            sqlite::Blob blob(db.Handle(), "LIST_VERSION", "FILE_EXE", db.LastInsertRowid(), true);
            std::vector<std::uint8_t> chunk(1 << 20);
            std::int64_t offset = 0;
            while (offset < size) {
                const auto want = static_cast<std::streamsize>(
                    std::min<std::int64_t>(size - offset, static_cast<std::int64_t>(chunk.size())));
                if (!file.read(reinterpret_cast<char*>(chunk.data()), want))
                    Fail("cannot read " + build.path + " at offset " + std::to_string(offset));
                blob.Write(std::span(chunk).first(static_cast<std::size_t>(want)), offset);
                offset += want;
            }
        }
        db.Execute("COMMIT");
        return id;
    } catch (...) {
        db.Execute("ROLLBACK");
        throw;
    }
}

}  // namespace testdb::sql
