// The packet layer under a reply: a server's break is answered with a reset and the reply read
// again; CONTROL packets are consumed or end the session.
#include <gtest/gtest.h>

#include <deque>

#include "oracle/client/Transport.h"
#include "oracle/wire/ByteWriter.h"
#include "oracle/wire/Connect.h"
#include "oracle/wire/ServerMessages.h"
#include "oracle/wire/Ttc.h"

namespace oracle::client {
namespace {

using Bytes = std::vector<std::uint8_t>;
using wire::LengthForm;

// Hands out scripted server bytes and keeps what the client sent.
class ScriptedConnection : public net::Connection {
public:
    ScriptedConnection(std::deque<Bytes> replies, std::vector<Bytes>& sent) : replies_(std::move(replies)), sent_(sent) {}
    void SendAll(std::span<const std::uint8_t> bytes) override { sent_.emplace_back(bytes.begin(), bytes.end()); }
    std::size_t Receive(std::span<std::uint8_t> buffer) override {
        if (replies_.empty()) ThrowNetwork("connection closed by test");
        auto& next = replies_.front();
        const auto n = std::min(buffer.size(), next.size());
        std::copy(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(n), buffer.begin());
        next.erase(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(n));
        if (next.empty()) replies_.pop_front();
        return n;
    }

private:
    std::deque<Bytes> replies_;
    std::vector<Bytes>& sent_;
};

Bytes ErrorMessage(std::uint32_t number, const std::string& text) {
    wire::ByteWriter w;
    w.U8(wire::message::kError);
    w.UB4(0);
    w.UB2(0);
    w.UB4(0);
    w.UB2(0);
    w.UB2(0);
    w.UB2(0);
    w.UB2(0);   // cursor
    w.SB4(0);   // position
    for (int i = 0; i < 6; ++i) w.U8(0);
    w.UB4(0);
    w.UB2(0);
    w.U8(0);
    w.UB4(0);
    w.UB2(0);
    w.UB4(0);
    w.U8(0);
    w.U8(0);
    w.UB2(0);
    w.UB4(0);
    w.UB4(0);  // logical rowid
    w.UB2(0);  // batch errors
    w.UB4(0);
    w.UB2(0);
    w.UB4(number);
    w.UB8(0);
    if (number != 0) w.Clr(text);
    return w.Take();
}

Bytes Control(std::uint32_t emfi, std::uint32_t error) {
    Bytes body = {0x00, 0x08};
    for (auto v : {emfi, error, 0u}) {
        for (int s = 24; s >= 0; s -= 8) body.push_back(static_cast<std::uint8_t>(v >> s));
    }
    return wire::BuildPacket(wire::PacketType::Control, 0, body, LengthForm::Long);
}

TEST(Transport, ServerBreakIsResetThenTheErrorIsRead) {
    std::vector<Bytes> sent;
    const auto partial = Bytes{wire::message::kDescribeInfo, 0x01};  // a reply cut off by the break
    std::deque<Bytes> script = {
        wire::BuildDataPacket(0, partial, LengthForm::Long),
        wire::BuildMarker(wire::kMarkerBreak, LengthForm::Long),
        wire::BuildDataPacket(0, Bytes{0x42}, LengthForm::Long),  // discarded until the reset
        wire::BuildMarker(wire::kMarkerReset, LengthForm::Long),
        Control(0, 12573),  // an in-band notice is skipped
        wire::BuildDataPacket(0, ErrorMessage(1013, "ORA-01013: user requested cancel of current operation\n"),
                              LengthForm::Long),
    };
    Transport t(std::make_unique<ScriptedConnection>(std::move(script), sent));
    t.SwitchToLongLengths();
    t.SetSdu(8192);
    t.SendRequest(Bytes{3, 5, 1});
    wire::ResponseContext ctx;
    {
        wire::ByteReader r(t);
        EXPECT_THROW(wire::ReadResponse(r, ctx), EOraReplyBroken);
    }
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], wire::BuildMarker(wire::kMarkerReset, LengthForm::Long));
    wire::ByteReader again(t);
    const auto response = wire::ReadResponse(again, ctx);
    EXPECT_EQ(response.error.number, 1013u);
    EXPECT_EQ(response.error.message, "ORA-01013: user requested cancel of current operation");
    EXPECT_TRUE(t.ReplyComplete(again));
}

TEST(Transport, ControlErrorsAndEofEndTheSession) {
    struct Case {
        Bytes packet;
        const char* message;
    };
    for (const auto& c : {Case{Control(0, 12572), "shut the session down"}, Case{Control(22, 3113), "ORA-03113"},
                          Case{wire::BuildDataPacket(wire::kDataFlagEof, {}, LengthForm::Long), "closed the session"},
                          Case{wire::BuildPacket(wire::PacketType::Accept, 0, Bytes(40), LengthForm::Long),
                               "unexpected TNS packet"}}) {
        std::vector<Bytes> sent;
        Transport t(std::make_unique<ScriptedConnection>(std::deque<Bytes>{c.packet}, sent));
        t.SwitchToLongLengths();
        try {
            t.Next();
            ADD_FAILURE() << c.message;
        } catch (const toolkit::Exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace oracle::client
