#pragma once
// The objects every test database holds: Oracle's one-row DUAL (thin clients query it right
// after logon) and the table of published builds.
#include <cstdint>
#include <string>

#include "testdb/sqlite/Database.h"

namespace testdb::sql {

// Time zone the database reports: what DUAL's DBTIMEZONE column returns.
inline constexpr const char* kDatabaseTimeZone = "+00:00";

void EnsureDual(sqlite::Database& db);
void EnsureListVersion(sqlite::Database& db);

struct Build {
    std::int64_t program = 0;
    std::string version;  // NAME_VERSION, UTF-8
    std::string fileName;  // NAME_FILE
    std::string path;      // the file whose bytes become FILE_EXE
};

// Inserts one build with the next ID_VERSION and streams the file into FILE_EXE; returns the id.
std::int64_t PublishBuild(sqlite::Database& db, const Build& build);

}  // namespace testdb::sql
