// Our side of the client benchmark; the driver (client_bench.js) runs it next to node-oracledb.
//   oracle_client_bench session PORT RUNS   connect + logon + latest-build query + logoff, RUNS times
//   oracle_client_bench blob PORT FILE      save the newest build's BLOB to FILE
//   oracle_client_bench sweep PORT FILE     the same at several SDU and LOB READ sizes
// Prints one JSON line of figures.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "oracle/OraQuery.h"
#include "oracle/OraSession.h"
#include "oracle/client/Session.h"
#include "toolkit/posix/PosixFileSystem.h"

namespace {

using Clock = std::chrono::steady_clock;

const char16_t* kLatestBuild =
    u"select ID_VERSION,Name_File,Name_Version from LIST_VERSION where ID_VERSION=(select max(id_version) from "
    u"LIST_VERSION where ID_PROGRAM=7)";
const char16_t* kLatestBuildAll =
    u"select * from LIST_VERSION where ID_VERSION=(select max(id_version) from LIST_VERSION where ID_PROGRAM=7)";

void Configure(oracle::TOraSession& s, const std::string& port) {
    s.Server = u"127.0.0.1:" + toolkit::Utf8ToString(port) + u":dovizuza";
    s.Username = u"updaterdemo";
    s.Password = u"upd";
    s.Options.Direct = true;
}

long PeakRssKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) try {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s session PORT RUNS | blob PORT FILE\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1], port = argv[2];
    toolkit::posix::PosixFileSystem files;
    if (mode == "session") {
        const int runs = std::stoi(argv[3]);
        const auto started = Clock::now();
        for (int i = 0; i < runs; ++i) {
            oracle::TOraSession session(files);
            Configure(session, port);
            session.Connect();
            oracle::TOraQuery q;
            q.Session = &session;
            q.SQL = kLatestBuild;
            q.Open();
            if (q.FieldByName(u"ID_VERSION").AsInteger() <= 0) throw std::runtime_error("no build");
            q.Close();
            session.Disconnect();
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count() / runs;
        std::printf("{\"msPerSession\": %.3f}\n", ms);
        return 0;
    }
    if (mode == "sweep") {
        for (const std::uint32_t sdu : {8192u, 65535u, 2097152u}) {
            std::printf("SDU %7u:", sdu);
            for (const std::uint32_t mib : {1u, 4u, 8u}) {
                oracle::client::SessionSettings settings;
                settings.host = "127.0.0.1";
                settings.port = static_cast<std::uint16_t>(std::stoi(port));
                settings.sid = "dovizuza";
                settings.user = "updaterdemo";
                settings.password = "upd";
                settings.sdu = sdu;
                settings.lobReadSize = mib * 1024 * 1024;
                oracle::client::Session session(settings);
                const auto result = session.Query(toolkit::StringToUtf8(kLatestBuildAll));
                const auto& lob = *result.rows.at(0).at(4).lob;
                auto file = files.CreateAlways(toolkit::Utf8ToString(argv[3]));
                const auto started = Clock::now();
                session.ReadLob(lob, [&](std::span<const std::uint8_t> bytes) { file->Write(bytes); });
                file->Flush();
                const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
                std::printf("  %u MiB reads %7.1f", mib, static_cast<double>(lob.length) / 1e6 / seconds);
            }
            std::printf("\n");
        }
        return 0;
    }
    oracle::TOraSession session(files);
    Configure(session, port);
    session.Connect();
    oracle::TOraQuery q;
    q.Session = &session;
    q.SQL = kLatestBuildAll;
    q.Open();
    const auto started = Clock::now();
    static_cast<oracle::TBlobField&>(q.FieldByName(u"FILE_EXE")).SaveToFile(toolkit::Utf8ToString(argv[3]));
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    session.Disconnect();
    std::printf("{\"seconds\": %.4f, \"peakRssKib\": %ld}\n", seconds, PeakRssKib());
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "oracle_client_bench: %s\n", e.what());
    return 1;
}
