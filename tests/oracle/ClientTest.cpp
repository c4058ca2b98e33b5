// The session, query and fields against the test database, including its fault options.
#include <gtest/gtest.h>

#include "oracle/OraQuery.h"
#include "oracle/OraSession.h"
#include "oracle/wire/Errors.h"
#include "support/Testdb.h"
#include "toolkit/memory/MemoryOs.h"
#ifdef _WIN32
#include "toolkit/win32/Win32Os.h"
#else
#include "toolkit/posix/PosixFileSystem.h"
#endif

#include <filesystem>
#include <fstream>

namespace oracle {
namespace {

using test::Testdb;
using toolkit::String;

const String kCyrillicVersion = u"Версия 2.0 «релиз»";
const std::string kCyrillicVersionUtf8 = "Версия 2.0 «релиз»";

std::u16string LatestBuildSql(int program, bool allColumns) {
    const auto id = toolkit::IntToStr(program);
    return (allColumns ? u"select * from LIST_VERSION" : u"select ID_VERSION,Name_File,Name_Version from LIST_VERSION") +
           (u" where ID_VERSION=(select max(id_version) from LIST_VERSION where ID_PROGRAM=" + id + u")");
}

class Client : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Testdb::Available()) GTEST_SKIP() << "the test database program is not built";
        db_ = std::make_unique<Testdb>();
        db_->Publish(7, "1.0", "app.exe", "old build");
        db_->Publish(7, kCyrillicVersionUtf8, "app.exe", "new build contents");
        db_->Publish(-3, "0.1", "other.exe", "x");
    }

    // A session to a server started with the given options (default account updaterdemo/upd).
    std::unique_ptr<TOraSession> SessionTo(const Testdb::Server& server, String user = u"updaterdemo",
                                           String password = u"upd", String sid = u"dovizuza",
                                           toolkit::FileSystem* files = nullptr) {
        auto s = std::make_unique<TOraSession>(files != nullptr ? *files : files_);
        s->Server = u"127.0.0.1:" + toolkit::IntToStr(server.Port()) + u":" + sid;
        s->Username = std::move(user);
        s->Password = std::move(password);
        s->Options.Direct = true;
        return s;
    }

    template <class E>
    static std::string FailureOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const E& e) {
            return e.what();
        }
        ADD_FAILURE() << "no " << typeid(E).name() << " raised";
        return {};
    }

    std::unique_ptr<Testdb> db_;
    toolkit::memory::MemoryFileSystem files_;
};

TEST_F(Client, BothUpdaterQueriesWithBothVerifiers) {
    for (const auto* verifier : {"12c", "11g"}) {
        SCOPED_TRACE(verifier);
        auto server = db_->Serve({"--account", std::string("updaterdemo:upd:") + verifier});
        auto session = SessionTo(*server);
        session->Connect();
        ASSERT_TRUE(session->Connected());

        TOraQuery q;
        q.Session = session.get();
        q.SQL = LatestBuildSql(7, false);
        q.Open();
        ASSERT_EQ(q.RecordCount(), 1);
        EXPECT_EQ(q.FieldByName(u"ID_VERSION").AsInteger(), 2);
        EXPECT_EQ(q.FieldByName(u"name_file").AsString(), u"app.exe");
        EXPECT_EQ(q.FieldByName(u"Name_Version").AsString(), kCyrillicVersion);
        q.Close();

        q.SQL = LatestBuildSql(7, true);
        q.Open();
        ASSERT_EQ(q.RecordCount(), 1);
        EXPECT_EQ(q.FieldByName(u"ID_PROGRAM").AsInteger(), 7);
        static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE")).SaveToFile(u"C:\\new.exe");
        EXPECT_EQ(files_.Read(u"C:\\new.exe"), "new build contents");

        q.SQL = LatestBuildSql(-3, false);
        q.Open();
        EXPECT_EQ(q.FieldByName(u"NAME_FILE").AsString(), u"other.exe");
        q.SQL = LatestBuildSql(99, true);
        q.Open();
        EXPECT_EQ(q.RecordCount(), 0);
        session->Disconnect();
        EXPECT_FALSE(session->Connected());
    }
}

TEST_F(Client, LogonAndListenerFailuresCarryTheServersError) {
    auto server = db_->Serve();
    auto wrongPassword = SessionTo(*server, u"updaterdemo", u"UPD");
    EXPECT_EQ(FailureOf<EOraError>([&] { wrongPassword->Connect(); }),
              "ORA-01017: invalid username/password; logon denied");
    EXPECT_FALSE(wrongPassword->Connected());

    auto wrongSid = SessionTo(*server, u"updaterdemo", u"upd", u"nosuchsid");
    const auto refused = FailureOf<EOraError>([&] { wrongSid->Connect(); });
    EXPECT_EQ(refused.rfind("ORA-12505: TNS:listener does not currently know of SID", 0), 0u) << refused;
    EXPECT_NE(refused.find("nosuchsid"), std::string::npos);

    // The discard port: nothing listens there on loopback. (A just-stopped server's port may still
    // be closing, under Wine especially, and answer with a reset instead.)
    TOraSession nothing(files_);
    nothing.Server = u"127.0.0.1:9:dovizuza";
    EXPECT_EQ(FailureOf<EOraNetworkError>([&] { nothing.Connect(); }), "connection refused to 127.0.0.1:9");

    for (const auto* bad : {u"127.0.0.1:dovizuza", u"127.0.0.1:0:x", u"host:99999:sid", u":1521:sid", u"h:1521:"}) {
        nothing.Server = bad;
        EXPECT_THROW(nothing.Connect(), toolkit::EDatabaseError);
    }
}

TEST_F(Client, ListenerVariantsStillConnect) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--resend"}, {"--tns-version", "315"}, {"--tns-version", "319"},
          {"--sdu", "512"}, {"--field-version", "7"}}) {
        SCOPED_TRACE(options.front() + (options.size() > 1 ? " " + options[1] : ""));
        auto server = db_->Serve(options);
        auto session = SessionTo(*server);
        session->Connect();
        TOraQuery q;
        q.Session = session.get();
        q.SQL = LatestBuildSql(7, true);
        q.Open();
        EXPECT_EQ(q.FieldByName(u"NAME_VERSION").AsString(), kCyrillicVersion);
        static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE")).SaveToFile(u"C:\\b.exe");
        EXPECT_EQ(files_.Read(u"C:\\b.exe"), "new build contents");
    }
}

TEST_F(Client, SelectStarWithExtraColumnsAndNulls) {
    db_->Sql("alter table LIST_VERSION add column NOTE VARCHAR2(100)");
    db_->Sql("alter table LIST_VERSION add column RATIO REAL");
    db_->Sql("alter table LIST_VERSION add column BIG NUMBER");
    db_->Sql("alter table LIST_VERSION add column PAYLOAD BLOB");
    db_->Sql("update LIST_VERSION set NOTE='Привет', RATIO=2.5, BIG=12345678901 where ID_VERSION=2");
    db_->Sql("insert into LIST_VERSION (ID_VERSION, ID_PROGRAM) values (10, 8)");
    auto server = db_->Serve();
    auto session = SessionTo(*server);
    session->Connect();
    TOraQuery q;
    q.Session = session.get();
    q.SQL = LatestBuildSql(7, true);
    q.Open();
    EXPECT_EQ(q.FieldByName(u"note").AsString(), u"Привет");
    EXPECT_EQ(q.FieldByName(u"RATIO").AsString(), u"2.5");
    EXPECT_EQ(q.FieldByName(u"BIG").AsString(), u"12345678901");
    EXPECT_THROW(q.FieldByName(u"BIG").AsInteger(), toolkit::EConvertError);
    EXPECT_THROW(q.FieldByName(u"RATIO").AsInteger(), toolkit::EConvertError);
    EXPECT_THROW(q.FieldByName(u"NOTE").AsInteger(), toolkit::EConvertError);
    EXPECT_TRUE(q.FieldByName(u"PAYLOAD").IsNull());
    const auto missing = FailureOf<toolkit::EDatabaseError>([&] { q.FieldByName(u"NO_SUCH"); });
    EXPECT_NE(missing.find("NO_SUCH"), std::string::npos);

    // The row with NULLs everywhere but its keys.
    q.SQL = LatestBuildSql(8, true);
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName(u"NAME_FILE").AsString(), u"");
    EXPECT_EQ(q.FieldByName(u"RATIO").AsInteger(), 0);
    EXPECT_TRUE(q.FieldByName(u"FILE_EXE").IsNull());
    auto& blob = static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE"));
    EXPECT_THROW(blob.SaveToFile(u"C:\\null.exe"), toolkit::EDatabaseError);
    // Not a BLOB: the file is created (emptied) first, then the error.
    files_.Put(u"C:\\name.txt", "previous");
    EXPECT_THROW(static_cast<TBlobField&>(q.FieldByName(u"NAME_VERSION")).SaveToFile(u"C:\\name.txt"),
                 toolkit::EDatabaseError);
    EXPECT_EQ(files_.Read(u"C:\\name.txt"), "");

    // A server error keeps the session usable.
    q.SQL = u"select * from NO_SUCH_TABLE";
    const auto error = FailureOf<EOraError>([&] { q.Open(); });
    EXPECT_EQ(error.rfind("ORA-00942", 0), 0u) << error;
    EXPECT_TRUE(session->Connected());
    q.SQL = LatestBuildSql(7, false);
    q.Open();
    EXPECT_EQ(q.FieldByName(u"ID_VERSION").AsInteger(), 2);
}

TEST_F(Client, BlobsOfEverySizeArriveByteIdentical) {
    struct Case {
        std::uint64_t size;
        std::vector<std::string> options;
    };
    // SDU 8192 makes the packet boundaries fall inside the small ones.
    const std::vector<Case> cases = {{0, {}}, {1, {}}, {8191, {"--sdu", "8192"}}, {8193, {"--sdu", "8192"}},
                                     {3 * 1024 * 1024, {}}, {64 * 1024 * 1024, {}}};
    int program = 100;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        db_->PublishPattern(++program, "v", "big.exe", c.size);
        auto server = db_->Serve(c.options);
        auto session = SessionTo(*server);
        session->Connect();
        TOraQuery q;
        q.Session = session.get();
        q.SQL = LatestBuildSql(program, true);
        q.Open();
        static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE")).SaveToFile(u"C:\\big.exe");
        const auto saved = files_.Read(u"C:\\big.exe");
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->size(), c.size);
        EXPECT_TRUE(*saved == test::PatternBytes(c.size));
        files_.Delete(u"C:\\big.exe");
    }
}

// Through the platform's own file system: CreateFileW(CREATE_ALWAYS) in the Windows build.
TEST_F(Client, SavesIntoARealFileAndNamesAFileItCannotCreate) {
#ifdef _WIN32
    toolkit::win32::Win32FileSystem real;
#else
    toolkit::posix::PosixFileSystem real;
#endif
    db_->PublishPattern(60, "v", "real.exe", 3 * 1024 * 1024 + 17);
    auto server = db_->Serve();
    auto session = SessionTo(*server, u"updaterdemo", u"upd", u"dovizuza", &real);
    session->Connect();
    TOraQuery q;
    q.Session = session.get();
    q.SQL = LatestBuildSql(60, true);
    q.Open();
    auto& blob = static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE"));
    const auto dir = std::filesystem::temp_directory_path() / ("oracle-save-" + std::to_string(server->Port()));
    std::filesystem::create_directories(dir);
    const auto target = dir / "new.exe";
    {
        std::ofstream old(target, std::ios::binary);
        old << std::string(5 * 1024 * 1024, 'o');  // longer than the build: must be emptied first
    }
    blob.SaveToFile(target.u16string());
    std::ifstream in(target, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(saved == test::PatternBytes(3 * 1024 * 1024 + 17));
    in.close();

    const auto missing = (dir / "no-such-folder" / "new.exe").u16string();
    const auto message = FailureOf<toolkit::EFCreateError>([&] { blob.SaveToFile(missing); });
    EXPECT_NE(message.find("new.exe"), std::string::npos) << message;
    std::filesystem::remove_all(dir);
}

TEST_F(Client, DroppedConnectionAtEachPhase) {
    for (const auto* phase : {"accept", "protocol", "datatypes", "auth1", "auth2", "execute", "fetch", "lob-read"}) {
        SCOPED_TRACE(phase);
        auto server = db_->Serve({"--drop-at", phase});
        auto session = SessionTo(*server);
        const auto message = FailureOf<EOraNetworkError>([&] {
            session->Connect();
            TOraQuery q;
            q.Session = session.get();
            // More rows than one reply carries (3^5 = 243), so that the query needs FETCH calls.
            q.SQL = u"select a.ID_VERSION from LIST_VERSION a, LIST_VERSION b, LIST_VERSION c, LIST_VERSION d, "
                    u"LIST_VERSION e";
            q.Open();
            EXPECT_EQ(q.RecordCount(), 243);
            q.SQL = LatestBuildSql(7, true);
            q.Open();
            static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE")).SaveToFile(u"C:\\x.exe");
        });
        EXPECT_NE(message.find("connection closed by 127.0.0.1:"), std::string::npos) << message;
        EXPECT_FALSE(session->Connected());
    }
}

TEST_F(Client, StalledServerTimesOut) {
    auto server = db_->Serve({"--stall-at", "execute", "--stall-seconds", "5"});
    auto session = SessionTo(*server);
    session->SetInactivityTimeoutForTesting(std::chrono::milliseconds(300));
    session->Connect();
    TOraQuery q;
    q.Session = session.get();
    q.SQL = LatestBuildSql(7, false);
    const auto message = FailureOf<EOraNetworkError>([&] { q.Open(); });
    EXPECT_NE(message.find("timed out"), std::string::npos) << message;
    EXPECT_FALSE(session->Connected());
}

TEST_F(Client, MalformedRepliesAreProtocolErrors) {
    for (const auto* fault : {"protocol:length", "auth1:type", "execute:type", "execute:length"}) {
        SCOPED_TRACE(fault);
        auto server = db_->Serve({"--malformed-at", fault});
        auto session = SessionTo(*server);
        EXPECT_THROW(
            {
                session->Connect();
                TOraQuery q;
                q.Session = session.get();
                q.SQL = LatestBuildSql(7, false);
                q.Open();
            },
            EOraProtocolError);
        EXPECT_FALSE(session->Connected());
    }
}

TEST_F(Client, LobReadFailingOrLyingIsReported) {
    db_->PublishPattern(50, "v", "big.exe", 3 * 1024 * 1024);
    struct Case {
        std::vector<std::string> options;
        const char* expected;
    };
    for (const auto& c : {Case{{"--lob-error-after", "1000000"}, "ORA-01555"},
                          Case{{"--lob-length-lie", "100"}, "received 3145728 bytes"},
                          Case{{"--lob-length-lie", "-100"}, "holds more than the 3145628 bytes announced"}}) {
        SCOPED_TRACE(c.options[1]);
        auto server = db_->Serve(c.options);
        auto session = SessionTo(*server);
        session->Connect();
        TOraQuery q;
        q.Session = session.get();
        q.SQL = LatestBuildSql(50, true);
        q.Open();
        try {
            static_cast<TBlobField&>(q.FieldByName(u"FILE_EXE")).SaveToFile(u"C:\\big.exe");
            ADD_FAILURE() << "no error";
        } catch (const toolkit::EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace oracle
