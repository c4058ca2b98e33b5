#pragma once
// The data-access session of the toolkit: Direct mode only (our own Oracle Net code over TCP,
// no client software), a fixed account, no login prompt.
//
//   TOraSession session(fileSystem);        // the file system receives saved BLOBs
//   session.Server = u"127.0.0.1:17521:dovizuza";   // host:port:SID
//   session.Username = u"updaterdemo";
//   session.Password = u"upd";
//   session.Options.Direct = true;
//   session.Connect();                      // raises EOraError / EOraNetworkError / ...
//   ... TOraQuery with Session = &session ...
//   session.Disconnect();                   // also done by the destructor
#include <chrono>
#include <memory>

#include "toolkit/String.h"
#include "toolkit/os/FileSystem.h"

namespace oracle {

namespace client {
class Session;
}

struct TOraSessionOptions {
    bool Direct = true;  // the only mode there is; false is refused by Connect()
};

class TOraSession {
public:
    explicit TOraSession(toolkit::FileSystem& fileSystem);
    ~TOraSession();
    TOraSession(const TOraSession&) = delete;
    TOraSession& operator=(const TOraSession&) = delete;

    toolkit::String Server;  // "host:port:sid"
    toolkit::String Username;
    toolkit::String Password;
    TOraSessionOptions Options;

    void Connect();
    void Disconnect();
    // False after a network or protocol error, too.
    bool Connected() const;

    // For tests: the inactivity time-out on the connection (60 s otherwise).
    void SetInactivityTimeoutForTesting(std::chrono::milliseconds timeout) { inactivityTimeout_ = timeout; }

    // Used by TOraQuery.
    client::Session& Native();
    toolkit::FileSystem& Files() { return fileSystem_; }

private:
    toolkit::FileSystem& fileSystem_;
    std::chrono::milliseconds inactivityTimeout_{60000};
    std::unique_ptr<client::Session> session_;
};

}  // namespace oracle
