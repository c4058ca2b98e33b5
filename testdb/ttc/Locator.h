#pragma once
// The LOB locators this server hands out. Clients treat them as opaque and echo them in LOB
// operations; the bytes name the table cell so that any connection can read the LOB again.
// Layout: u16be length-2, u16be version, four flag bytes (byte 5: initialised), 8 reserved
// bytes, then u64be rowid, u8 table length, table, u8 column length, column. An empty table
// name marks a value computed by a statement and held by the session, the rowid its index.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace testdb::ttc {

struct LobAddress {
    std::string table;
    std::string column;
    std::int64_t rowid = 0;
};

std::vector<std::uint8_t> EncodeLocator(const LobAddress& address);
// Nothing when the bytes are not a locator of this server.
std::optional<LobAddress> DecodeLocator(std::span<const std::uint8_t> locator);

}  // namespace testdb::ttc
