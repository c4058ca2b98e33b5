// POSIX sockets implementation of the connection.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "oracle/net/Connection.h"
#include "oracle/wire/Errors.h"

namespace oracle::net {
namespace {

class AddressList {
public:
    AddressList(const std::string& host, std::uint16_t port, const std::string& peer) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        const auto service = std::to_string(port);
        if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list_); rc != 0) {
            ThrowNetwork("cannot resolve " + peer + ": " + gai_strerror(rc));
        }
    }
    ~AddressList() { freeaddrinfo(list_); }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    const addrinfo* First() const { return list_; }

private:
    addrinfo* list_ = nullptr;
};

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

std::string ConnectFailure(int error, const std::string& peer) {
    if (error == ECONNREFUSED) return "connection refused to " + peer;
    if (error == ETIMEDOUT) return "connection timed out to " + peer;
    return "cannot connect to " + peer + ": " + std::strerror(error);
}

class PosixConnection final : public Connection {
public:
    PosixConnection(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout)
        : peer_(host + ":" + std::to_string(port)) {
        const AddressList addresses(host, port, peer_);
        int lastError = ECONNREFUSED;
        for (const auto* a = addresses.First(); a != nullptr; a = a->ai_next) {
            auto socket = std::make_unique<Socket>(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
            if (socket->Get() < 0) {
                lastError = errno;
                continue;
            }
            if (::connect(socket->Get(), a->ai_addr, a->ai_addrlen) == 0) {
                socket_ = std::move(socket);
                break;
            }
            lastError = errno;
        }
        if (!socket_) ThrowNetwork(ConnectFailure(lastError, peer_));
        const int one = 1;
        setsockopt(socket_->Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        timeval tv{};
        tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
        tv.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000 * 1000);
        setsockopt(socket_->Get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(socket_->Get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        seconds_ = std::to_string(timeout.count() / 1000.0);
        seconds_.erase(seconds_.find_last_not_of('0') + 1);
        if (seconds_.back() == '.') seconds_.pop_back();
    }

    void SendAll(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const auto n = ::send(socket_->Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail("sending to", errno);
            }
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        }
    }

    std::size_t Receive(std::span<std::uint8_t> buffer) override {
        for (;;) {
            const auto n = ::recv(socket_->Get(), buffer.data(), buffer.size(), 0);
            if (n > 0) return static_cast<std::size_t>(n);
            if (n == 0) ThrowNetwork("connection closed by " + peer_);
            if (errno != EINTR) Fail("receiving from", errno);
        }
    }

private:
    [[noreturn]] void Fail(const char* what, int error) {
        if (error == EAGAIN || error == EWOULDBLOCK) {
            ThrowNetwork("connection to " + peer_ + " timed out: nothing moved for " + seconds_ + " s");
        }
        if (error == ECONNRESET || error == EPIPE) ThrowNetwork("connection closed by " + peer_);
        ThrowNetwork(std::string("error ") + what + " " + peer_ + ": " + std::strerror(error));
    }

    std::string peer_;
    std::string seconds_;
    std::unique_ptr<Socket> socket_;
};

}  // namespace

std::unique_ptr<Connection> OpenTcp(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout) {
    return std::make_unique<PosixConnection>(host, port, timeout);
}

}  // namespace oracle::net
