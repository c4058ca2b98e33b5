#include "testdb/ttc/Locator.h"

namespace testdb::ttc {
namespace {

constexpr std::size_t kFixedPart = 16;
constexpr std::uint8_t kFlagInitialised = 0x08;
constexpr std::uint16_t kVersion = 1;

}  // namespace

std::vector<std::uint8_t> EncodeLocator(const LobAddress& address) {
    std::vector<std::uint8_t> bytes(kFixedPart, 0);
    bytes[3] = kVersion;
    // Byte 4 stays 0: clients read its low bit as "temporary LOB" and would free it.
    bytes[5] = kFlagInitialised;
    for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(address.rowid) >> shift));
    for (const std::string* name : {&address.table, &address.column}) {
        bytes.push_back(static_cast<std::uint8_t>(name->size()));
        bytes.insert(bytes.end(), name->begin(), name->end());
    }
    const auto length = static_cast<std::uint16_t>(bytes.size() - 2);
    bytes[0] = static_cast<std::uint8_t>(length >> 8);
    bytes[1] = static_cast<std::uint8_t>(length);
    return bytes;
}

std::optional<LobAddress> DecodeLocator(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kFixedPart + 8 + 2) return std::nullopt;
    if (static_cast<std::size_t>((bytes[0] << 8) | bytes[1]) != bytes.size() - 2) return std::nullopt;
    if (bytes[3] != kVersion) return std::nullopt;
    LobAddress address;
    std::uint64_t rowid = 0;
    std::size_t at = kFixedPart;
    for (int i = 0; i < 8; ++i) rowid = (rowid << 8) | bytes[at++];
    address.rowid = static_cast<std::int64_t>(rowid);
    for (std::string* name : {&address.table, &address.column}) {
        if (at >= bytes.size()) return std::nullopt;
        const std::size_t length = bytes[at++];
        if (at + length > bytes.size()) return std::nullopt;
        name->assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    if (at != bytes.size()) return std::nullopt;
    return address;
}

}  // namespace testdb::ttc
