// Winsock implementation of the connection (Windows build).
#include <winsock2.h>
#include <ws2tcpip.h>

#include "oracle/net/Connection.h"
#include "oracle/wire/Errors.h"

namespace oracle::net {
namespace {

// Winsock counts its users; each connection holds one reference for its lifetime.
class WinsockUse {
public:
    WinsockUse() {
        WSADATA data;
        if (const int rc = WSAStartup(MAKEWORD(2, 2), &data); rc != 0) {
            ThrowNetwork("Winsock is not available (error " + std::to_string(rc) + ")");
        }
    }
    ~WinsockUse() { WSACleanup(); }
    WinsockUse(const WinsockUse&) = delete;
    WinsockUse& operator=(const WinsockUse&) = delete;
};

class AddressList {
public:
    AddressList(const std::string& host, std::uint16_t port, const std::string& peer) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        const auto service = std::to_string(port);
        if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list_); rc != 0) {
            ThrowNetwork("cannot resolve " + peer + " (error " + std::to_string(rc) + ")");
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
    explicit Socket(SOCKET s) : s_(s) {}
    ~Socket() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return s_; }

private:
    SOCKET s_;
};

std::string ConnectFailure(int error, const std::string& peer) {
    if (error == WSAECONNREFUSED) return "connection refused to " + peer;
    if (error == WSAETIMEDOUT) return "connection timed out to " + peer;
    return "cannot connect to " + peer + " (Winsock error " + std::to_string(error) + ")";
}

class WinsockConnection final : public Connection {
public:
    WinsockConnection(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout)
        : peer_(host + ":" + std::to_string(port)) {
        const AddressList addresses(host, port, peer_);
        int lastError = WSAECONNREFUSED;
        for (const auto* a = addresses.First(); a != nullptr; a = a->ai_next) {
            auto socket = std::make_unique<Socket>(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
            if (socket->Get() == INVALID_SOCKET) {
                lastError = WSAGetLastError();
                continue;
            }
            if (::connect(socket->Get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
                socket_ = std::move(socket);
                break;
            }
            lastError = WSAGetLastError();
        }
        if (!socket_) ThrowNetwork(ConnectFailure(lastError, peer_));
        const BOOL one = TRUE;
        setsockopt(socket_->Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        const DWORD ms = static_cast<DWORD>(timeout.count());
        setsockopt(socket_->Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
        setsockopt(socket_->Get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
        seconds_ = std::to_string(timeout.count() / 1000.0);
        seconds_.erase(seconds_.find_last_not_of('0') + 1);
        if (seconds_.back() == '.') seconds_.pop_back();
    }

    void SendAll(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 30));
            const int n = ::send(socket_->Get(), reinterpret_cast<const char*>(bytes.data()), chunk, 0);
            if (n == SOCKET_ERROR) Fail("sending to", WSAGetLastError());
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        }
    }

    std::size_t Receive(std::span<std::uint8_t> buffer) override {
        const int chunk = static_cast<int>(std::min<std::size_t>(buffer.size(), 1 << 30));
        const int n = ::recv(socket_->Get(), reinterpret_cast<char*>(buffer.data()), chunk, 0);
        if (n > 0) return static_cast<std::size_t>(n);
        if (n == 0) ThrowNetwork("connection closed by " + peer_);
        Fail("receiving from", WSAGetLastError());
    }

private:
    [[noreturn]] void Fail(const char* what, int error) {
        if (error == WSAETIMEDOUT) {
            ThrowNetwork("connection to " + peer_ + " timed out: nothing moved for " + seconds_ + " s");
        }
        if (error == WSAECONNRESET || error == WSAECONNABORTED) ThrowNetwork("connection closed by " + peer_);
        ThrowNetwork(std::string("error ") + what + " " + peer_ + " (Winsock error " + std::to_string(error) + ")");
    }

    WinsockUse winsock_;
    std::string peer_;
    std::string seconds_;
    std::unique_ptr<Socket> socket_;
};

}  // namespace

std::unique_ptr<Connection> OpenTcp(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout) {
    return std::make_unique<WinsockConnection>(host, port, timeout);
}

}  // namespace oracle::net
