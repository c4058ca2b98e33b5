#pragma once
// Replays a recorded connection through our decoders: each client request is classified by its
// first message, and the server's reply to it is decoded with the matching decoder, tracking
// field version and cursors as a client would. Every reply must be consumed exactly.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "oracle/wire/ServerMessages.h"
#include "support/Capture.h"

namespace oracle::test {

struct Exchange {
    std::uint8_t requestMessage = 0;  // first TTC message type of the request
    std::uint8_t function = 0;        // function code for FUNCTION requests
    wire::Response response;
    std::vector<wire::Column> columns;  // the cursor's columns when rows were decoded
};

struct Conversation {
    std::vector<wire::PacketType> listenerReplies;  // packets before the TTC exchange starts
    wire::ProtocolInfo protocol;
    std::uint8_t fieldVersion = 0;
    std::vector<Exchange> exchanges;
    int markers = 0;
};

// Raises (EOraProtocolError or std::runtime_error) when a reply does not decode to its end.
Conversation Replay(const RecordedConnection& connection);

}  // namespace oracle::test
