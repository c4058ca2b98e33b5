#include "testdb/Connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>

#include "testdb/tns/Channel.h"
#include "testdb/tns/Listener.h"
#include "testdb/ttc/Session.h"

namespace testdb {

void ServeConnection(net::FileDescriptor socket, const ServeOptions& options, Log& log, std::stop_token stop) {
    const int on = 1;
    ::setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::string peer = net::PeerName(socket.Get());
    const auto started = std::chrono::steady_clock::now();
    FaultClock faults(options.faults);
    tns::Channel channel(socket.Get(), options.faults, stop);
    std::uint64_t roundTrips = 0;
    std::string outcome = "closed";
    try {
        const tns::ListenerSettings listener{options.sid, options.services, options.maxTnsVersion, options.maxSdu};
        const auto accepted = tns::Handshake(channel, listener, faults);
        if (!accepted) {
            outcome = "refused";
        } else {
            const std::string service = tns::DescriptorValue(accepted->descriptor, "SERVICE_NAME").value_or(options.sid);
            log.Line(peer + " accept tns=" + std::to_string(accepted->version) + " sdu=" + std::to_string(accepted->sdu));
            ttc::Session session(channel, options, faults, log, peer, service);
            try {
                session.Run();
            } catch (...) {
                roundTrips = session.RoundTrips();
                throw;
            }
        }
    } catch (const tns::EConnectionEnded& ended) {
        outcome = ended.what();
    } catch (const std::exception& error) {
        outcome = std::string("error: ") + error.what();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char summary[128];
    std::snprintf(summary, sizeof summary, " round_trips=%llu bytes_in=%llu bytes_out=%llu %.3f s",
                  static_cast<unsigned long long>(roundTrips), static_cast<unsigned long long>(channel.BytesIn()),
                  static_cast<unsigned long long>(channel.BytesOut()), seconds);
    log.Line(peer + " end (" + outcome + ")" + summary);
}

}  // namespace testdb
