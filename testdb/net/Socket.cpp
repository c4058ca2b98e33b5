#include "testdb/net/Socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "testdb/Error.h"

namespace testdb::net {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FileDescriptor ListenOnLoopback(const std::string& host, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) Fail("--host: not an IPv4 address: " + host);
    // The test database is for this machine only.
    if ((ntohl(address.sin_addr.s_addr) >> 24) != 127) Fail("--host: only loopback addresses (127.x.x.x) are served, not " + host);

    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.Valid()) Fail(std::string("socket: ") + std::strerror(errno));
    const int on = 1;
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("cannot listen on " + host + ":" + std::to_string(port) + ": " + std::strerror(errno));
    if (::listen(socket.Get(), 64) != 0) Fail(std::string("listen: ") + std::strerror(errno));
    return socket;
}

std::uint16_t LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        Fail(std::string("getsockname: ") + std::strerror(errno));
    return ntohs(address.sin_port);
}

std::string PeerName(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return "?";
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace testdb::net
