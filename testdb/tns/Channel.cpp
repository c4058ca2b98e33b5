#include "testdb/tns/Channel.h"

#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace testdb::tns {
namespace {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SleepUnlessStopped(std::chrono::nanoseconds duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, duration, [] { return false; });
}

}  // namespace

Channel::Channel(int fd, const FaultPlan& faults, std::stop_token stop)
    : fd_(fd), faults_(faults), stop_(std::move(stop)), readBuffer_(256 * 1024) {}

oracle::wire::Packet Channel::ReadPacket() {
    for (;;) {
        if (auto packet = assembler_.Next()) return std::move(*packet);
        const ssize_t got = ::recv(fd_, readBuffer_.data(), readBuffer_.size(), 0);
        if (got == 0) throw EConnectionEnded(u"client closed the connection");
        if (got < 0) {
            if (errno == EINTR) continue;
            throw EConnectionEnded(toolkit::Utf8ToString(std::string("receive failed: ") + std::strerror(errno)));
        }
        bytesIn_ += static_cast<std::uint64_t>(got);
        assembler_.Feed(std::span(readBuffer_).first(static_cast<std::size_t>(got)));
    }
}

void Channel::Send(std::span<const std::uint8_t> bytes) {
    if (faults_.dropAfterBytes) {
        const std::uint64_t limit = *faults_.dropAfterBytes;
        if (bytesOut_ + bytes.size() > limit) {
            Write(bytes.first(static_cast<std::size_t>(limit - bytesOut_)));
            Drop("after " + std::to_string(limit) + " bytes sent");
        }
    }
    Write(bytes);
}

void Channel::SendPacket(oracle::wire::PacketType type, std::uint8_t flags, std::span<const std::uint8_t> body) {
    Send(oracle::wire::BuildPacket(type, flags, body, form_));
}

void Channel::SendData(std::span<const std::uint8_t> payload) {
    // Packets are built one at a time so that a huge response never exists twice in memory.
    const std::size_t room = sdu_ - oracle::wire::kDataHeaderSize;
    std::size_t offset = 0;
    do {
        const std::size_t take = std::min(room, payload.size() - offset);
        Send(oracle::wire::BuildDataPacket(0, payload.subspan(offset, take), form_));
        offset += take;
    } while (offset < payload.size());
}

void Channel::Drop(std::string_view why) {
    ::shutdown(fd_, SHUT_RDWR);
    throw EConnectionEnded(toolkit::Utf8ToString("dropped on purpose " + std::string(why)));
}

void Channel::Stall(double seconds) {
    SleepUnlessStopped(std::chrono::nanoseconds(static_cast<std::int64_t>(seconds * 1e9)), stop_);
}

void Channel::Pace(std::size_t bytes) {
    const double rate = static_cast<double>(*faults_.rateBytesPerSecond);
    if (paceStartNs_ < 0) paceStartNs_ = NowNs();
    const auto due = paceStartNs_ + static_cast<std::int64_t>(static_cast<double>(bytesOut_ + bytes) / rate * 1e9);
    const auto wait = due - NowNs();
    if (wait > 0) SleepUnlessStopped(std::chrono::nanoseconds(wait), stop_);
}

void Channel::Write(std::span<const std::uint8_t> bytes) {
    // With a rate limit, send in pieces of about a twentieth of a second each.
    const std::size_t piece = faults_.rateBytesPerSecond
                                  ? std::max<std::size_t>(1, static_cast<std::size_t>(*faults_.rateBytesPerSecond / 20))
                                  : bytes.size();
    while (!bytes.empty()) {
        const std::size_t take = std::min(piece, bytes.size());
        if (faults_.rateBytesPerSecond) Pace(take);
        if (stop_.stop_requested()) throw EConnectionEnded(u"server stopping");
        const ssize_t sent = ::send(fd_, bytes.data(), take, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            throw EConnectionEnded(toolkit::Utf8ToString(std::string("send failed: ") + std::strerror(errno)));
        }
        bytesOut_ += static_cast<std::uint64_t>(sent);
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
}

}  // namespace testdb::tns
