#pragma once
// Reads recorded Oracle Net sessions (pcap or pcapng) for the fixture tests: the TCP payloads of
// each connection per direction, in capture order, reassembled into whole TNS packets.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "oracle/wire/Packet.h"

namespace oracle::test {

enum class Direction { ToServer, ToClient };

struct RecordedPacket {
    Direction direction;
    oracle::wire::Packet packet;
};

struct RecordedConnection {
    std::vector<std::uint8_t> toServer;  // raw TCP bytes, client to server
    std::vector<std::uint8_t> toClient;  // raw TCP bytes, server to client
    // The TNS packets of both directions in the order they were sent (framing switched after an
    // ACCEPT of version 315 or later, as the peers do).
    std::vector<RecordedPacket> packets;
};

// Bytes as they crossed the connection, in order.
struct Chunk {
    Direction direction;
    std::vector<std::uint8_t> bytes;
};
RecordedConnection FromChunks(const std::vector<Chunk>& chunks);

// One entry per TCP connection that carried data; the client is the side that sent first.
std::vector<RecordedConnection> ReadCapture(const std::filesystem::path& file);

// The fixtures folder shared by the team, or an empty path when it is not on this machine.
std::filesystem::path FixturesDir();

}  // namespace oracle::test
