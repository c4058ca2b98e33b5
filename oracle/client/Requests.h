#pragma once
// The TTC requests this client sends, each as the payload of one request (piggybacks first).
// Layouts depend on the negotiated field version, passed in.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "oracle/wire/ServerMessages.h"

namespace oracle::client {

using Bytes = std::vector<std::uint8_t>;
using KeyValues = std::vector<std::pair<std::string, std::string>>;

// Numbers each request as the server expects (1..255, then around again).
class Sequence {
public:
    std::uint8_t Next() {
        value_ = static_cast<std::uint8_t>(value_ == 255 ? 1 : value_ + 1);
        return value_;
    }

private:
    std::uint8_t value_ = 0;
};

Bytes ProtocolRequest(std::string_view clientName);
Bytes DataTypesRequest(std::uint8_t fieldVersion);

struct AuthPair {
    std::string key;
    std::string value;
    std::uint32_t flags = 0;
};
Bytes AuthRequest(std::uint8_t function, std::uint8_t seq, std::string_view user, std::uint32_t mode,
                  const std::vector<AuthPair>& pairs);

struct ExecuteRequest {
    std::uint32_t options = 0;
    std::uint32_t cursorId = 0;
    std::string sql;  // sent only when cursorId is 0
    std::uint32_t prefetchRows = 0;
    std::vector<wire::Column> defines;  // sent when non-empty
};
// Cursors to close ride in front of the call as a piggyback.
Bytes Execute(const ExecuteRequest& request, Sequence& seq, std::uint8_t fieldVersion,
              std::vector<std::uint32_t>& cursorsToClose);
Bytes Fetch(std::uint32_t cursorId, std::uint32_t rows, Sequence& seq);
Bytes Logoff(Sequence& seq, std::vector<std::uint32_t>& cursorsToClose);

Bytes LobOperation(std::uint32_t operation, const Bytes& locator, std::uint64_t offset, std::uint64_t amount,
                   Sequence& seq);
}  // namespace oracle::client
