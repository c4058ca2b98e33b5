#pragma once
// A recording TCP relay on a free loopback port (native tests): forwards one connection to a
// target port and keeps every chunk of bytes in the order it crossed.
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "support/Capture.h"

namespace oracle::test {

class Relay {
public:
    // Lets a test change the server's bytes on their way to the client.
    using Tamper = std::function<void(std::vector<std::uint8_t>& bytes)>;
    explicit Relay(std::uint16_t targetPort, Tamper tamper = {});
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    std::uint16_t Port() const { return port_; }
    // Waits for the relayed connection to end, then returns what crossed it.
    RecordedConnection Recording();

private:
    void Run();
    void Pump(int from, int to, Direction direction);

    std::uint16_t target_;
    Tamper tamper_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::mutex mutex_;
    std::vector<Chunk> chunks_;
    std::thread thread_;
};

}  // namespace oracle::test
