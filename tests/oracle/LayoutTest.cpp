// The test database's replies against the real 23ai server's: the same requests (our client's,
// with the layouts go-ora negotiated: TNS 317, field version 11) must get replies of the same
// layout, message by message; keys, salts and ids may differ.
#include <gtest/gtest.h>

#include "oracle/client/Session.h"
#include "oracle/wire/Number.h"
#include "oracle/wire/Ttc.h"
#include "support/Conversation.h"
#include "support/Relay.h"
#include "support/Testdb.h"

namespace oracle::test {
namespace {

const char* kNumbersQuery =
    "SELECT 3.14 AS pi, 1234567.89 AS amount, 1000000 AS million, 0.25 AS quarter FROM dual";

const Exchange& ByFunction(const Conversation& conv, std::uint8_t function, int nth = 0) {
    for (const auto& e : conv.exchanges) {
        if (e.function == function && nth-- == 0) return e;
    }
    throw std::runtime_error("no reply to function " + std::to_string(function));
}

// Keys as sent: the real server names one with a NUL at its end.
std::vector<std::string> Keys(const wire::Response& r) {
    std::vector<std::string> keys;
    for (const auto& kv : r.keyValues) keys.push_back(kv.key);
    return keys;
}

TEST(TestdbLayout, RepliesMatchTheRealServer) {
    if (FixturesDir().empty() || !Testdb::Available()) GTEST_SKIP() << "fixtures or test database missing";
    const auto real = Replay(ReadCapture(FixturesDir() / "server-23ai" / "go_ora_numbers.pcapng").at(0));

    Testdb db;
    db.Publish(1, "1", "a.exe", "x");
    auto server = db.Serve({"--account", "system:oracle", "--tns-version", "317", "--field-version", "11"});
    Relay relay(server->Port());
    {
        client::SessionSettings s;
        s.host = "127.0.0.1";
        s.port = relay.Port();
        s.sid = "dovizuza";
        s.user = "system";
        s.password = "oracle";
        client::Session session(s);
        const auto result = session.Query(kNumbersQuery);
        ASSERT_EQ(result.rows.size(), 1u);
        EXPECT_EQ(wire::DecodeNumber(result.rows[0][1].bytes), "1234567.89");
        session.Logoff();
    }
    const auto ours = Replay(relay.Recording());
    ASSERT_EQ(ours.fieldVersion, real.fieldVersion);

    using namespace wire::function;
    for (const auto function : {kAuthPhaseOne, kAuthPhaseTwo, kExecute, kLogoff}) {
        SCOPED_TRACE(static_cast<int>(function));
        const auto& a = ByFunction(ours, function);
        const auto& b = ByFunction(real, function, function == kExecute ? 1 : 0);
        EXPECT_EQ(a.response.messages, b.response.messages);
        if (function == kAuthPhaseOne) {
            EXPECT_EQ(Keys(a.response), Keys(b.response));
        }
    }
    const auto& a = ByFunction(ours, kExecute);
    const auto& b = ByFunction(real, kExecute, 1);
    ASSERT_EQ(a.columns.size(), b.columns.size());
    for (std::size_t i = 0; i < a.columns.size(); ++i) {
        const auto& x = a.columns[i];
        const auto& y = b.columns[i];
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.type, y.type);
        EXPECT_EQ(x.precision, y.precision);
        EXPECT_EQ(x.maxSize, y.maxSize);  // a literal is sized by its own bytes
        EXPECT_EQ(x.scale, y.scale);
        EXPECT_EQ(x.charsetForm, y.charsetForm);
        EXPECT_EQ(x.nullable, y.nullable);
    }
    ASSERT_EQ(a.response.rows.size(), 1u);
    ASSERT_EQ(b.response.rows.size(), 1u);
    for (std::size_t i = 0; i < a.columns.size(); ++i) EXPECT_EQ(a.response.rows[0][i].bytes, b.response.rows[0][i].bytes);
    EXPECT_EQ(a.response.error.number, b.response.error.number);
    EXPECT_EQ(a.response.error.message, b.response.error.message);
    EXPECT_EQ(a.response.error.rowCount, b.response.error.rowCount);
}

}  // namespace
}  // namespace oracle::test
