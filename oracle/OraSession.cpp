#include "oracle/OraSession.h"

#include <charconv>
#include <cstdlib>

#include "oracle/client/Session.h"
#include "oracle/wire/Errors.h"

namespace oracle {
namespace {

std::string Environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

client::SessionSettings SettingsFrom(const TOraSession& s, std::chrono::milliseconds timeout) {
    const auto server = toolkit::StringToUtf8(s.Server);
    const auto first = server.find(':');
    const auto second = first == std::string::npos ? std::string::npos : server.find(':', first + 1);
    unsigned port = 0;
    const char* portBegin = server.data() + first + 1;
    const char* portEnd = second == std::string::npos ? portBegin : server.data() + second;
    const bool portOk = second != std::string::npos &&
                        std::from_chars(portBegin, portEnd, port).ptr == portEnd && port > 0 && port < 65536;
    if (first == 0 || !portOk || second + 1 >= server.size()) {
        throw toolkit::EDatabaseError(u"Server '" + s.Server + u"' is not of the form host:port:sid");
    }
    client::SessionSettings settings;
    settings.host = server.substr(0, first);
    settings.port = static_cast<std::uint16_t>(port);
    settings.sid = server.substr(second + 1);
    settings.user = toolkit::StringToUtf8(s.Username);
    settings.password = toolkit::StringToUtf8(s.Password);
#ifdef _WIN32
    settings.machine = Environment("COMPUTERNAME", "localhost");
    settings.osUser = Environment("USERNAME", "user");
#else
    settings.machine = Environment("HOSTNAME", "localhost");
    settings.osUser = Environment("USER", "user");
#endif
    settings.inactivityTimeout = timeout;
    return settings;
}

}  // namespace

TOraSession::TOraSession(toolkit::FileSystem& fileSystem) : fileSystem_(fileSystem) {}

TOraSession::~TOraSession() = default;  // the native session logs off when destroyed

void TOraSession::Connect() {
    if (Connected()) return;
    if (!Options.Direct) throw EOraNotSupported(u"only Direct mode is available: set Options.Direct");
    session_.reset();
    session_ = std::make_unique<client::Session>(SettingsFrom(*this, inactivityTimeout_));
}

void TOraSession::Disconnect() {
    auto session = std::move(session_);
    if (session && session->Alive()) session->Logoff();
}

bool TOraSession::Connected() const { return session_ && session_->Alive(); }

client::Session& TOraSession::Native() {
    if (!Connected()) throw toolkit::EDatabaseError(u"the session is not connected to the database");
    return *session_;
}

}  // namespace oracle
