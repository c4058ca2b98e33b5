// A listener that answers every CONNECT with a REDIRECT: the client follows one, not two.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "oracle/client/Session.h"
#include "oracle/wire/Connect.h"
#include "oracle/wire/Errors.h"
#include "support/Testdb.h"

namespace oracle::test {
namespace {

class RedirectingListener {
public:
    explicit RedirectingListener(std::uint16_t target) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 4);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, target] { Serve(target); });
    }
    ~RedirectingListener() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    std::uint16_t Port() const { return port_; }

private:
    void Serve(std::uint16_t target) {
        for (;;) {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            wire::PacketAssembler in(wire::LengthForm::Short);
            std::uint8_t buffer[4096];
            std::optional<wire::Packet> connect;
            while (!connect) {
                const auto n = ::recv(c, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                in.Feed(std::span(buffer, static_cast<std::size_t>(n)));
                connect = in.Next();
            }
            const std::string address = "(ADDRESS=(PROTOCOL=TCP)(HOST=127.0.0.1)(PORT=" + std::to_string(target) + "))";
            std::vector<std::uint8_t> body = {static_cast<std::uint8_t>(address.size() >> 8),
                                              static_cast<std::uint8_t>(address.size())};
            body.insert(body.end(), address.begin(), address.end());
            const auto redirect = wire::BuildPacket(wire::PacketType::Redirect, 0, body, wire::LengthForm::Short);
            ::send(c, redirect.data(), redirect.size(), MSG_NOSIGNAL);
            ::close(c);
        }
    }

    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

client::SessionSettings To(std::uint16_t port) {
    client::SessionSettings s;
    s.host = "127.0.0.1";
    s.port = port;
    s.sid = "dovizuza";
    s.user = "updaterdemo";
    s.password = "upd";
    return s;
}

TEST(Redirect, FollowedOnceNotTwice) {
    if (!Testdb::Available()) GTEST_SKIP() << "the test database program is not built";
    Testdb db;
    db.Publish(7, "1", "a.exe", "x");
    auto server = db.Serve();
    RedirectingListener once(server->Port());
    client::Session session(To(once.Port()));
    EXPECT_EQ(session.Query("select NAME_FILE from LIST_VERSION").rows.size(), 1u);

    RedirectingListener twice(once.Port());
    try {
        client::Session refused(To(twice.Port()));
        ADD_FAILURE() << "second redirect followed";
    } catch (const EOraProtocolError& e) {
        EXPECT_NE(std::string(e.what()).find("redirected the connection a second time"), std::string::npos);
    }
}

}  // namespace
}  // namespace oracle::test
