#pragma once
// Encodes result rows for the client, each column in the type the client defined for it (or
// the described type): NUMBER, VARCHAR2, RAW, BINARY_DOUBLE/FLOAT, BLOB locators, and BLOBs
// inline as LONG RAW, streamed from the database cell without holding the whole value.
#include <cstdint>
#include <vector>

#include "oracle/wire/ByteWriter.h"
#include "testdb/sql/Value.h"
#include "testdb/sqlite/Database.h"
#include "testdb/tns/ResponseStream.h"

namespace testdb::ttc {

// External type codes a client may define a column as, beyond those a describe shows.
constexpr std::uint8_t kTypeLong = 8;
constexpr std::uint8_t kTypeChar = 96;
constexpr std::uint8_t kTypeLongRaw = 24;
constexpr std::uint8_t kTypeBlob = 113;

// Chunk size reported for every BLOB, as an 8 KiB-block tablespace would.
constexpr std::uint32_t kLobChunkSize = 8132;

struct RowContext {
    sqlite::Database& db;
    std::int64_t lobLengthLie;
    // BLOB values computed by statements; locators refer to them by index.
    std::vector<sql::Bytes>& heldLobs;
};

// Raises sql::EOraServerError (ORA-01722) for text that is not a number in a NUMBER column.
void WriteRow(tns::ResponseStream& out, oracle::wire::ByteWriter& w, const sql::Row& row,
              const std::vector<std::uint8_t>& types, RowContext& context);

}  // namespace testdb::ttc
