#pragma once
// Collects a TTC response and sends it as DATA packets as soon as a packet is full, so that a
// response of any size (a LOB READ of the whole LOB) needs only one packet's worth of memory.
#include <cstdint>
#include <span>
#include <vector>

#include "oracle/wire/ByteWriter.h"
#include "testdb/tns/Channel.h"

namespace testdb::tns {

class ResponseStream {
public:
    explicit ResponseStream(Channel& channel) : channel_(channel) {}

    void Put(std::span<const std::uint8_t> bytes);
    // Moves what the writer holds into the stream and empties it.
    void Put(oracle::wire::ByteWriter& writer);
    // Sends what is left; the response is complete.
    void Finish();

private:
    void SendFullPackets();

    Channel& channel_;
    std::vector<std::uint8_t> pending_;
};

}  // namespace testdb::tns
