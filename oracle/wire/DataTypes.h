#pragma once
// What a client announces in the DATA_TYPES negotiation: its compile-time capabilities (whose
// bits decide the layout of several server messages, so they go as a unit), its runtime
// capabilities, and the list of data types with their conversions.
#include <cstdint>
#include <span>
#include <vector>

namespace oracle::wire {

struct DataTypeEntry {
    std::uint16_t type;
    std::uint16_t conversion;
    std::uint16_t representation;
};

std::span<const DataTypeEntry> ClientDataTypes();
std::vector<std::uint8_t> ClientCompileCaps(std::uint8_t fieldVersion);
std::vector<std::uint8_t> ClientRuntimeCaps();

}  // namespace oracle::wire
