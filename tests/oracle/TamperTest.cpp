// The logon refuses what a server that does not know the password, or an account with only the
// 10g verifier, would send: the test database's replies changed in flight by a relay.
#include <gtest/gtest.h>

#include <algorithm>

#include "oracle/client/Session.h"
#include "oracle/wire/Errors.h"
#include "support/Relay.h"
#include "support/Testdb.h"

namespace oracle::test {
namespace {

// Calls `change` with the position just after `key` in the bytes, when the key is in them.
Relay::Tamper AfterKey(std::string key, std::function<void(std::vector<std::uint8_t>&, std::size_t)> change) {
    return [key = std::move(key), change = std::move(change)](std::vector<std::uint8_t>& bytes) {
        const auto it = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
        if (it != bytes.end()) change(bytes, static_cast<std::size_t>(it - bytes.begin()) + key.size());
    };
}

std::string LogonFailure(const Relay::Tamper& tamper, const char* verifier) {
    Testdb db;
    auto server = db.Serve({"--account", std::string("updaterdemo:upd:") + verifier});
    Relay relay(server->Port(), tamper);
    client::SessionSettings s;
    s.host = "127.0.0.1";
    s.port = relay.Port();
    s.sid = "dovizuza";
    s.user = "updaterdemo";
    s.password = "upd";
    try {
        client::Session session(s);
    } catch (const toolkit::Exception& e) {
        return std::string(e.ClassName()) + ": " + e.what();
    }
    return "logged on";
}

TEST(TamperedLogon, AServerWithoutTheProofIsRefused) {
    if (!Testdb::Available()) GTEST_SKIP() << "the test database program is not built";
    for (const auto* verifier : {"12c", "11g"}) {
        // AUTH_SVR_RESPONSE: UB4 length, CLR length, then hex text; change its first digit.
        const auto message = LogonFailure(AfterKey("AUTH_SVR_RESPONSE", [](auto& b, std::size_t at) {
                                              auto& digit = b.at(at + 3);
                                              digit = digit == '0' ? '1' : '0';
                                          }),
                                          verifier);
        EXPECT_EQ(message, "EOraProtocolError: the server did not prove that it knows the password "
                           "(AUTH_SVR_RESPONSE); logon refused")
            << verifier;
    }
}

TEST(TamperedLogon, TenGVerifierIsNotSupported) {
    if (!Testdb::Available()) GTEST_SKIP() << "the test database program is not built";
    // AUTH_VFR_DATA's flags carry the verifier type: make it 0x0939 (10g) after the hex salt.
    const auto message = LogonFailure(AfterKey("AUTH_VFR_DATA", [](auto& b, std::size_t at) {
                                          const std::size_t flags = at + 3 + b.at(at + 2);
                                          b.at(flags) = 0x02;
                                          b.at(flags + 1) = 0x09;
                                          b.at(flags + 2) = 0x39;
                                      }),
                                      "12c");
    EXPECT_EQ(message.rfind("EOraNotSupported: the account has only the 10g password verifier", 0), 0u) << message;
}

}  // namespace
}  // namespace oracle::test
