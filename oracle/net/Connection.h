#pragma once
// A TCP connection to the database: blocking, TCP_NODELAY, and an inactivity time-out on every
// send and receive (no byte moving for that long raises EOraNetworkError). Connecting keeps the
// system's own time-out. POSIX sockets natively, Winsock in the Windows build.
//
//   auto c = net::OpenTcp("127.0.0.1", 17521, std::chrono::seconds(60));
//   c->SendAll(bytes);
//   auto n = c->Receive(buffer);     // at least one byte; raises on close or time-out
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace oracle::net {

class Connection {
public:
    virtual ~Connection() = default;
    virtual void SendAll(std::span<const std::uint8_t> bytes) = 0;
    virtual std::size_t Receive(std::span<std::uint8_t> buffer) = 0;
};

std::unique_ptr<Connection> OpenTcp(const std::string& host, std::uint16_t port,
                                    std::chrono::milliseconds inactivityTimeout);

}  // namespace oracle::net
