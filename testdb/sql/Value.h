#pragma once
// One cell of a result row as the server holds it until it is encoded for the client.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace testdb::sql {

// A BLOB that stays in the database file; its bytes are read on demand.
struct StoredBlob {
    std::string table;
    std::string column;
    std::int64_t rowid = 0;
    std::int64_t size = 0;
};

struct Null {};
using Bytes = std::vector<std::uint8_t>;

// Text is UTF-8. Bytes are RAW values or BLOBs computed by an expression (small by nature).
using Value = std::variant<Null, std::int64_t, double, std::string, Bytes, StoredBlob>;
using Row = std::vector<Value>;

}  // namespace testdb::sql
