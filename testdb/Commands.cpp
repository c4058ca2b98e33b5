#include "testdb/Commands.h"

#include <cstdio>
#include <variant>

#include "testdb/sql/Catalog.h"
#include "testdb/sql/Cursor.h"
#include "testdb/sql/OraError.h"

namespace testdb {
namespace {

std::string Show(const sql::Value& value) {
    struct Visitor {
        std::string operator()(const sql::Null&) const { return "NULL"; }
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(double v) const { return std::to_string(v); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const sql::Bytes& v) const { return "<" + std::to_string(v.size()) + " bytes>"; }
        std::string operator()(const sql::StoredBlob& v) const { return "<BLOB " + std::to_string(v.size) + " bytes>"; }
    };
    return std::visit(Visitor{}, value);
}

}  // namespace

void RunPublish(const PublishOptions& options) {
    sqlite::Database db(options.db, sqlite::Database::Mode::CreateIfMissing);
    const sql::Build build{options.program, options.version, options.name, options.file};
    const std::int64_t id = sql::PublishBuild(db, build);
    std::printf("published ID_VERSION=%lld for ID_PROGRAM=%lld\n", static_cast<long long>(id),
                static_cast<long long>(options.program));
}

void RunSql(const SqlOptions& options) {
    sqlite::Database db(options.db, sqlite::Database::Mode::CreateIfMissing);
    sql::EnsureDual(db);
    sql::Cursor cursor(db, options.statement);
    if (!cursor.IsQuery()) {
        std::printf("%llu row(s) changed\n", static_cast<unsigned long long>(cursor.RowCount()));
        return;
    }
    std::string header;
    for (const auto& column : cursor.Columns()) header += (header.empty() ? "" : "\t") + column.name;
    std::printf("%s\n", header.c_str());
    while (auto row = cursor.Next()) {
        std::string line;
        for (std::size_t i = 0; i < row->size(); ++i) line += (i ? "\t" : "") + Show((*row)[i]);
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace testdb
