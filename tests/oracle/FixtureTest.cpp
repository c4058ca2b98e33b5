// Our decoders against bytes recorded from real servers and listeners.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "oracle/wire/Connect.h"
#include "oracle/wire/Number.h"
#include "oracle/wire/Ttc.h"
#include "support/Conversation.h"

namespace oracle::test {
namespace {

using wire::PacketType;

std::filesystem::path Fixtures() { return FixturesDir(); }

#define REQUIRE_FIXTURES() \
    if (Fixtures().empty()) GTEST_SKIP() << "fixtures not present"

Conversation ReplayOnly(const std::string& file) {
    const auto connections = ReadCapture(Fixtures() / "server-23ai" / file);
    EXPECT_EQ(connections.size(), 1u) << file;
    return Replay(connections.at(0));
}

// Every reply of every recorded session decodes to its last byte.
TEST(RealServer, EveryReplyDecodesWithoutLeftovers) {
    REQUIRE_FIXTURES();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Fixtures() / "server-23ai")) {
        SCOPED_TRACE(entry.path().filename().string());
        for (const auto& connection : ReadCapture(entry.path())) {
            Conversation conv;
            ASSERT_NO_THROW(conv = Replay(connection));
            EXPECT_EQ(conv.listenerReplies.back(), PacketType::Accept);
            EXPECT_GE(conv.exchanges.size(), 5u);
            // The session ends with a LOGOFF that the server confirms.
            EXPECT_EQ(conv.exchanges.back().function, wire::function::kLogoff);
            EXPECT_EQ(conv.exchanges.back().response.error.number, 0u);
        }
        ++files;
    }
    EXPECT_EQ(files, 5);
}

std::vector<std::string> FirstRowNumbers(const Exchange& e) {
    std::vector<std::string> values;
    for (const auto& cell : e.response.rows.at(0)) values.push_back(wire::DecodeNumber(cell.bytes));
    return values;
}

const Exchange& LastQuery(const Conversation& conv) {
    for (auto it = conv.exchanges.rbegin(); it != conv.exchanges.rend(); ++it) {
        if (!it->response.rows.empty()) return *it;
    }
    throw std::runtime_error("no query in the session");
}

TEST(RealServer, NumbersDecodeToTheSelectedValues) {
    REQUIRE_FIXTURES();
    struct Case {
        const char* file;
        std::vector<std::string> names, values;
    };
    const std::vector<Case> cases = {
        {"go_ora_numbers.pcapng", {"PI", "AMOUNT", "MILLION", "QUARTER"}, {"3.14", "1234567.89", "1000000", "0.25"}},
        {"go_ora_negnumbers.pcapng", {"NEG", "NEGDEC", "POS", "BIGNUM"}, {"-42", "-3.14", "100", "-1000000"}},
    };
    for (const auto& c : cases) {
        const auto conv = ReplayOnly(c.file);
        const auto& query = LastQuery(conv);
        ASSERT_EQ(query.columns.size(), c.names.size()) << c.file;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(query.columns[i].name, c.names[i]);
            EXPECT_EQ(query.columns[i].type, wire::type::kNumber);
        }
        EXPECT_EQ(FirstRowNumbers(query), c.values) << c.file;
        EXPECT_EQ(query.response.error.number, wire::kErrorNoDataFound);
        EXPECT_EQ(query.response.error.message, "ORA-01403: no data found");
        // The session's other query, SYSTIMESTAMP, arrives as an 13-byte TIMESTAMP WITH TIME ZONE.
        const auto& stamp = conv.exchanges.at(5);
        ASSERT_EQ(stamp.columns.size(), 1u);
        EXPECT_EQ(stamp.columns[0].type, wire::type::kTimestampTz);
        EXPECT_EQ(stamp.response.rows.at(0).at(0).bytes.size(), 13u);
    }
}

TEST(RealServer, CursorReexecutionKeepsTheDescribedColumns) {
    REQUIRE_FIXTURES();
    const auto conv = ReplayOnly("python_thin_cursor_reexec.pcapng");
    int queries = 0;
    for (const auto& e : conv.exchanges) {
        if (e.response.rows.empty()) continue;
        ASSERT_EQ(e.columns.size(), 1u);
        EXPECT_EQ(e.columns[0].name, "N");
        EXPECT_EQ(FirstRowNumbers(e), std::vector<std::string>{"1"});
        EXPECT_EQ(e.response.error.number, wire::kErrorNoDataFound);
        ++queries;
    }
    EXPECT_GE(queries, 2);
}

TEST(RealServer, ErrorsCarryNumberAndText) {
    REQUIRE_FIXTURES();
    const auto conv = ReplayOnly("python_thin_failed_stmt.pcapng");
    std::vector<std::uint32_t> numbers;
    for (const auto& e : conv.exchanges) {
        const auto& error = e.response.error;
        if (error.number == 0) continue;
        numbers.push_back(error.number);
        EXPECT_EQ(error.message.rfind("ORA-" + std::string(5 - std::to_string(error.number).size(), '0') +
                                          std::to_string(error.number),
                                      0),
                  0u)
            << error.message;
        EXPECT_NE(error.message.back(), '\n');
    }
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), 942u), numbers.end());
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), 1u), numbers.end());
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), 1476u), numbers.end());
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), 6550u), numbers.end());
    EXPECT_GT(conv.markers, 0);  // the server broke off its replies before each error
}

// 20000 rows fetched in batches with bit vectors for repeated values, then ORA-01722.
TEST(RealServer, MidFetchFailureAfterBitVectorRows) {
    REQUIRE_FIXTURES();
    const auto conv = ReplayOnly("python_thin_midfetch_fail.pcapng");
    std::int64_t expectedId = 1;
    bool sawBitVector = false;
    bool failed = false;
    for (const auto& e : conv.exchanges) {
        if (e.columns.size() != 2) continue;
        for (const auto& m : e.response.messages) sawBitVector |= m == wire::message::kBitVector;
        for (const auto& row : e.response.rows) {
            EXPECT_EQ(wire::NumberToInt64(row[0].bytes), expectedId);
            ++expectedId;
        }
        if (e.response.error.number == 1722) failed = true;
    }
    EXPECT_TRUE(sawBitVector);
    EXPECT_TRUE(failed);
    EXPECT_GT(expectedId, 1000);
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

wire::Packet PacketFrom(std::vector<std::uint8_t> bytes, wire::LengthForm form = wire::LengthForm::Short) {
    wire::PacketAssembler a(form);
    a.Feed(bytes);
    auto p = a.Next();
    if (!p || a.Buffered() != 0) throw std::runtime_error("not exactly one packet");
    return std::move(*p);
}

// The hex dumps of a JDBC session with an XE 21c listener, keyed by their variable names.
std::map<std::string, std::vector<std::uint8_t>> Xe21cDumps() {
    std::ifstream in(Fixtures() / "listener" / "xe21c_jdbc_thin_dumps.txt");
    std::map<std::string, std::vector<std::uint8_t>> dumps;
    std::string line, name;
    const std::regex var(R"(var (\w+) =)");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, var)) {
            name = m[1];
        } else if (line.size() > 10 && line[8] == ' ' && !name.empty()) {
            std::istringstream hex(line.substr(10, 48));
            std::string byte;
            while (hex >> byte) dumps[name].push_back(static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16)));
        }
    }
    return dumps;
}

TEST(RealListener, RepliesParse) {
    REQUIRE_FIXTURES();
    const auto dir = Fixtures() / "listener";
    const auto accept = wire::ParseAccept(PacketFrom(ReadFile(dir / "tns_accept.raw")));
    EXPECT_EQ(accept.version, 308);
    EXPECT_EQ(accept.sdu, 2048u);

    const auto refuse = wire::ParseRefuse(PacketFrom(ReadFile(dir / "tns_refuse.raw")));
    EXPECT_EQ(wire::ListenerErrorCode(refuse.text), 12618);

    const auto redirect = wire::ParseRedirect(PacketFrom(ReadFile(dir / "tns_redirect.raw")));
    EXPECT_EQ(wire::DescriptorAddress(redirect.text), std::make_pair(std::string("192.168.0.4"), std::uint16_t{2143}));

    EXPECT_EQ(PacketFrom(ReadFile(dir / "tns_resend.raw")).type, PacketType::Resend);
    const auto marker = PacketFrom(ReadFile(dir / "tns_marker_response.raw"));
    EXPECT_EQ(marker.type, PacketType::Marker);
    EXPECT_EQ(wire::MarkerData(marker), wire::kMarkerBreak);
    EXPECT_EQ(PacketFrom(ReadFile(dir / "tns_data_disconnect.raw")).DataFlags(), wire::kDataFlagEof);

    auto dumps = Xe21cDumps();
    const auto xeAccept = wire::ParseAccept(PacketFrom(dumps.at("AcceptPacketDump")));
    EXPECT_EQ(xeAccept.version, 318);
    EXPECT_EQ(xeAccept.sdu, 8192u);
    const auto xeRefuse = wire::ParseRefuse(PacketFrom(dumps.at("RefusePacketDump")));
    EXPECT_EQ(wire::ListenerErrorCode(xeRefuse.text), 12514);
    EXPECT_EQ(PacketFrom(dumps.at("ResendPacketDump")).flags, 0x08);

    // After an ACCEPT of 318 the framing has 4-byte lengths; the ERROR inside (21c layout, with
    // the SQL type and checksum fields) is ORA-00942.
    const auto data = PacketFrom(dumps.at("DataPacketDump"), wire::LengthForm::Long);
    wire::ByteReader r(data.DataPayload());
    ASSERT_EQ(r.U8(), wire::message::kError);
    const auto error = wire::ReadError(r, 16);
    EXPECT_EQ(error.number, 942u);
    EXPECT_EQ(error.message, "ORA-00942: table or view does not exist");
    EXPECT_TRUE(r.AtEnd());
}

}  // namespace
}  // namespace oracle::test
