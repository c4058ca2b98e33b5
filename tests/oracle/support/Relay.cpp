#include "support/Relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace oracle::test {

Relay::Relay(std::uint16_t targetPort, Tamper tamper) : target_(targetPort), tamper_(std::move(tamper)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        throw std::runtime_error("relay cannot listen");
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
}

Relay::~Relay() {
    if (listener_ >= 0) ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
}

void Relay::Pump(int from, int to, Direction direction) {
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        const auto n = ::recv(from, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        std::vector<std::uint8_t> bytes(buffer.begin(), buffer.begin() + n);
        if (tamper_ && direction == Direction::ToClient) tamper_(bytes);
        {
            std::lock_guard lock(mutex_);
            chunks_.push_back({direction, bytes});
        }
        if (::send(to, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) break;
    }
    ::shutdown(to, SHUT_WR);
}

void Relay::Run() {
    const int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) return;
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(target_);
    if (::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        std::thread back([&] { Pump(server, client, Direction::ToClient); });
        Pump(client, server, Direction::ToServer);
        back.join();
    }
    ::close(server);
    ::close(client);
}

RecordedConnection Relay::Recording() {
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return FromChunks(chunks_);
}

}  // namespace oracle::test
