#pragma once
// Owned POSIX descriptors and the loopback-only TCP listening socket of the server.
#include <cstdint>
#include <string>

namespace testdb::net {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Binds host:port (host must be a loopback address; port 0 picks a free one) and listens.
FileDescriptor ListenOnLoopback(const std::string& host, std::uint16_t port);
std::uint16_t LocalPort(int fd);
// "127.0.0.1:54321" for the peer of a connected socket.
std::string PeerName(int fd);

}  // namespace testdb::net
