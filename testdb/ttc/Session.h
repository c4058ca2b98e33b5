#pragma once
// Everything after the ACCEPT on one connection: protocol and data type negotiation, logon,
// statements, fetches, LOB operations and logoff, until the client's EOF packet.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "oracle/wire/ByteReader.h"
#include "oracle/wire/ByteWriter.h"
#include "testdb/Faults.h"
#include "testdb/Log.h"
#include "testdb/Options.h"
#include "testdb/sql/Cursor.h"
#include "testdb/sqlite/Database.h"
#include "testdb/tns/Channel.h"
#include "testdb/tns/ResponseStream.h"
#include "testdb/ttc/Logon.h"
#include "testdb/ttc/ServerMessages.h"

namespace testdb::ttc {

class Session {
public:
    Session(tns::Channel& channel, const ServeOptions& options, FaultClock& faults, Log& log, std::string peer,
            std::string serviceName);

    // Serves requests until the client disconnects (raises tns::EConnectionEnded then).
    void Run();
    std::uint64_t RoundTrips() const { return roundTrips_; }

private:
    struct OpenCursor {
        std::string sql;
        std::unique_ptr<sql::Cursor> cursor;
        std::vector<std::uint8_t> types;  // what each column is sent as
        bool hasLob = false;
        bool defined = false;
    };
    struct Define {
        std::uint8_t type;
    };

    void Serve(oracle::wire::ByteReader& r);
    void Negotiate(oracle::wire::ByteReader& r);
    void NegotiateDataTypes(oracle::wire::ByteReader& r);
    void HandleFunction(oracle::wire::ByteReader& r, std::uint8_t code);
    void HandlePiggyback(oracle::wire::ByteReader& r);
    void ReadFunctionHeaderRest(oracle::wire::ByteReader& r);

    void Authenticate(oracle::wire::ByteReader& r, bool phaseTwo);
    void Execute(oracle::wire::ByteReader& r);
    void Reexecute(oracle::wire::ByteReader& r, bool fetch);
    void Fetch(oracle::wire::ByteReader& r);
    void LobOperation(oracle::wire::ByteReader& r, bool piggyback);
    void Simple(const char* what);

    // Applies the faults due now; raises EConnectionEnded if the connection was dropped.
    void EnterPhase(Phase phase);
    void Start(OpenCursor& open);
    // Sends up to `count` rows; returns whether the result is exhausted.
    bool SendRows(OpenCursor& open, std::uint32_t count, tns::ResponseStream& out, oracle::wire::ByteWriter& w);
    void FinishCall(tns::ResponseStream& out, oracle::wire::ByteWriter& w, const CallStatus& status);
    void SendErrorOnly(const CallStatus& status);
    void LogCall(std::string_view what, std::string_view detail, std::uint64_t rows);

    tns::Channel& channel_;
    const ServeOptions& options_;
    FaultClock& faults_;
    Log& log_;
    std::string peer_;
    std::string serviceName_;
    sqlite::Database db_;
    Logon logon_;
    std::uint8_t fieldVersion_;
    bool loggedOn_ = false;
    std::map<std::uint16_t, OpenCursor> cursors_;
    std::uint16_t nextCursorId_ = 1;
    std::vector<sql::Bytes> heldLobs_;
    // The BLOB cell read last: SQLite finds an offset fast only on a handle it has already
    // walked, so consecutive READs of one LOB reuse the handle.
    struct OpenBlob {
        std::string table, column;
        std::int64_t rowid;
        sqlite::Blob blob;
    };
    std::optional<OpenBlob> openBlob_;
    std::uint64_t roundTrips_ = 0;
    std::uint64_t bytesAtCallStart_ = 0;
    std::chrono::steady_clock::time_point callStart_;
};

}  // namespace testdb::ttc
