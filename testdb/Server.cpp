#include "testdb/Server.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fstream>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "testdb/Connection.h"
#include "testdb/Error.h"
#include "testdb/net/Socket.h"
#include "testdb/sql/Catalog.h"
#include "testdb/sqlite/Database.h"

namespace testdb {
namespace {

// SIGINT and SIGTERM, delivered through a descriptor the accept loop polls.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        // Blocked before any thread starts, so every thread inherits the mask.
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
        fd_ = net::FileDescriptor(::signalfd(-1, &set_, SFD_CLOEXEC));
        if (!fd_.Valid()) Fail(std::string("signalfd: ") + std::strerror(errno));
    }
    int Fd() const { return fd_.Get(); }

private:
    sigset_t set_;
    net::FileDescriptor fd_;
};

struct ActiveConnection {
    int fd;
    std::atomic<bool> finished{false};
    std::jthread thread;
};

void WritePortFile(const std::string& path, std::uint16_t port) {
    // Written under a temporary name and renamed, so a waiting test never reads half a number.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << port << "\n";
        if (!file) Fail("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) Fail("cannot rename " + temporary + " to " + path);
}

void Reap(std::list<ActiveConnection>& connections) {
    connections.remove_if([](ActiveConnection& c) { return c.finished.load(); });
}

}  // namespace

void Serve(const ServeOptions& options, Log& log) {
    StopSignals signals;
    {
        // The schema every client may rely on; created once, before any client arrives.
        sqlite::Database db(options.db, sqlite::Database::Mode::CreateIfMissing);
        sql::EnsureDual(db);
    }
    net::FileDescriptor listener = net::ListenOnLoopback(options.host, options.port);
    const std::uint16_t port = net::LocalPort(listener.Get());
    if (!options.portFile.empty()) WritePortFile(options.portFile, port);
    log.Line("testdb listening on " + options.host + ":" + std::to_string(port) + " sid=" + options.sid +
             " db=" + options.db);

    std::list<ActiveConnection> connections;
    for (;;) {
        pollfd fds[2] = {{listener.Get(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
        if (::poll(fds, 2, 1000) < 0) {
            if (errno == EINTR) continue;
            Fail(std::string("poll: ") + std::strerror(errno));
        }
        Reap(connections);
        if (fds[1].revents & POLLIN) break;
        if (!(fds[0].revents & POLLIN)) continue;
        const int client = ::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        auto& entry = connections.emplace_back();
        entry.fd = client;
        entry.thread = std::jthread([&options, &log, &entry, client](std::stop_token stop) {
            ServeConnection(net::FileDescriptor(client), options, log, stop);
            entry.finished = true;
        });
    }
    log.Line("testdb stopping: closing " + std::to_string(connections.size()) + " connection(s)");
    for (auto& c : connections) {
        if (c.finished) continue;
        c.thread.request_stop();
        ::shutdown(c.fd, SHUT_RDWR);
    }
    connections.clear();  // joins every thread
    log.Line("testdb stopped");
}

}  // namespace testdb
