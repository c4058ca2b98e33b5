#include "testdb/ttc/Session.h"

#include <algorithm>
#include <variant>

#include "oracle/wire/Errors.h"
#include "testdb/sql/Catalog.h"
#include "testdb/sql/OraError.h"
#include "testdb/tns/Listener.h"
#include "testdb/ttc/Locator.h"
#include "testdb/ttc/RequestSource.h"
#include "testdb/ttc/RowWriter.h"

namespace testdb::ttc {
namespace {

using oracle::wire::ByteReader;
using oracle::wire::ByteWriter;
using oracle::wire::PacketType;

namespace function = oracle::wire::function;
namespace execute_option = oracle::wire::execute_option;
namespace lob_op = oracle::wire::lob_op;

constexpr std::size_t kLobDataChunk = 64 * 1024;

CallStatus Failure(const sql::EOraServerError& error, std::uint16_t cursorId = 0, std::uint64_t rows = 0) {
    CallStatus status;
    status.errorNumber = static_cast<std::uint32_t>(error.Code());
    status.errorText = error.Text();
    status.cursorId = cursorId;
    status.rowCount = rows;
    status.errorPosition = static_cast<std::int16_t>(std::clamp(error.Position(), 0, 32767));
    return status;
}

sql::EOraServerError OraError(int code, std::string_view message) { return {code, sql::OraText(code, message)}; }

}  // namespace

Session::Session(tns::Channel& channel, const ServeOptions& options, FaultClock& faults, Log& log, std::string peer,
                 std::string serviceName)
    : channel_(channel),
      options_(options),
      faults_(faults),
      log_(log),
      peer_(std::move(peer)),
      serviceName_(std::move(serviceName)),
      db_(options.db, sqlite::Database::Mode::CreateIfMissing),
      logon_(options.accounts),
      fieldVersion_(options.fieldVersion) {}

void Session::Run() {
    RequestSource source(channel_);
    for (;;) {
        ByteReader reader(source);
        try {
            Serve(reader);
        } catch (const EClientBreak&) {
            SendErrorOnly(Failure(OraError(1013, "user requested cancel of current operation")));
        }
        ++roundTrips_;
    }
}

void Session::Serve(ByteReader& r) {
    std::uint8_t type = r.U8();
    callStart_ = std::chrono::steady_clock::now();
    bytesAtCallStart_ = channel_.BytesOut();
    if (type == 0xDE) {
        // Network-option negotiation ("DE AD BE EF ..."): the rest of the packet is the request.
        r.Skip(r.RemainingInPiece());
        channel_.SendData(tns::NetworkOptionsAllOff());
        LogCall("network-options", "all services off", 0);
        return;
    }
    if (type == kProtocol || type == kDataTypes) {
        if (type == kProtocol) Negotiate(r);
        else NegotiateDataTypes(r);
        return;
    }
    while (type == kPiggyback) {
        HandlePiggyback(r);
        type = r.U8();
    }
    if (type != kFunction) oracle::ThrowProtocol("unknown TTC message type " + std::to_string(type) + " from client");
    const std::uint8_t code = r.U8();
    ReadFunctionHeaderRest(r);
    HandleFunction(r, code);
}

void Session::ReadFunctionHeaderRest(ByteReader& r) {
    r.U8();  // sequence number; not checked, as real servers do not
    if (fieldVersion_ >= kFieldVersion23_1Ext1) r.UB8();  // token number
}

void Session::Negotiate(ByteReader& r) {
    r.U8();  // client's TTC version
    while (r.U8() != 0) {
    }
    const std::string driver = r.CString(256);
    EnterPhase(Phase::Protocol);
    ByteWriter w;
    WriteProtocolReply(w, options_.fieldVersion);
    channel_.SendData(w.Bytes());
    LogCall("protocol", driver, 0);
}

void Session::NegotiateDataTypes(ByteReader& r) {
    r.U16LE();  // client character set: data is sent as UTF-8 whatever it says
    r.U16LE();
    r.U8();
    const auto compileCaps = r.Clr().value_or(std::vector<std::uint8_t>{});
    const auto runtimeCaps = r.Clr().value_or(std::vector<std::uint8_t>{});
    if (runtimeCaps.size() > 1 && (runtimeCaps[1] & 0x01)) r.Skip(11);  // client time zone
    if (compileCaps.size() > 7) fieldVersion_ = std::min(options_.fieldVersion, compileCaps[7]);
    ByteWriter w;
    w.U8(kDataTypes);
    for (;;) {
        const std::uint16_t dataType = r.U16BE();
        if (dataType == 0) break;
        const std::uint16_t conversion = r.U16BE();
        const std::uint16_t representation = r.U16BE();
        r.U16BE();
        w.U16BE(dataType);
        w.U16BE(conversion);
        if (conversion != 0) {
            w.U16BE(representation);
            w.U16BE(0);
        }
    }
    w.U16BE(0);
    EnterPhase(Phase::DataTypes);
    channel_.SendData(w.Bytes());
    LogCall("datatypes", "field version " + std::to_string(fieldVersion_), 0);
}

void Session::EnterPhase(Phase phase) {
    const auto due = faults_.Enter(phase);
    if (due.drop) channel_.Drop("at " + std::string(PhaseName(phase)));
    if (due.stall) channel_.Stall(faults_.Plan().stallSeconds);
    if (due.malformed) {
        if (faults_.Plan().malformation == Malformation::Length) {
            std::uint8_t header[8] = {0, 0, 0, 5, static_cast<std::uint8_t>(PacketType::Data), 0, 0, 0};
            channel_.Send(header);
        } else {
            const std::uint8_t payload[4] = {0xEE, 0, 0, 0};
            channel_.SendData(payload);
        }
        channel_.Drop("after a malformed packet at " + std::string(PhaseName(phase)));
    }
}

void Session::HandlePiggyback(ByteReader& r) {
    const std::uint8_t code = r.U8();
    ReadFunctionHeaderRest(r);
    if (code == function::kCloseCursors || code == function::kCancelCursors) {
        r.U8();
        const std::uint32_t count = r.UB4();
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto id = static_cast<std::uint16_t>(r.UB4());
            if (code == function::kCloseCursors) cursors_.erase(id);
        }
    } else if (code == function::kLobOp) {
        LobOperation(r, true);
    } else {
        oracle::ThrowProtocol("piggyback function " + std::to_string(code) + " is not supported by the test database");
    }
}

void Session::HandleFunction(ByteReader& r, std::uint8_t code) {
    // A held BLOB handle keeps a read lock on the file; keep it only across consecutive LOB calls.
    if (code != function::kLobOp) openBlob_.reset();
    if (!loggedOn_ && code != function::kAuthPhaseOne && code != function::kAuthPhaseTwo)
        oracle::ThrowProtocol("function " + std::to_string(code) + " before logon");
    switch (code) {
        case function::kAuthPhaseOne: return Authenticate(r, false);
        case function::kAuthPhaseTwo: return Authenticate(r, true);
        case function::kExecute: return Execute(r);
        case function::kReexecute: return Reexecute(r, false);
        case function::kReexecuteAndFetch: return Reexecute(r, true);
        case function::kFetch: return Fetch(r);
        case function::kLobOp: return LobOperation(r, false);
        case function::kLogoff: return Simple("logoff");
        case function::kCommit: return Simple("commit");
        case function::kRollback: return Simple("rollback");
        case function::kPing: return Simple("ping");
        default: oracle::ThrowProtocol("function " + std::to_string(code) + " is not supported by the test database");
    }
}

void Session::Simple(const char* what) {
    tns::ResponseStream out(channel_);
    ByteWriter w;
    WriteStatus(w);
    out.Put(w);
    out.Finish();
    LogCall(what, "", 0);
}

void Session::Authenticate(ByteReader& r, bool phaseTwo) {
    const bool hasUser = r.U8() != 0;
    const std::uint32_t userLength = r.UB4();
    r.UB4();  // auth mode
    r.U8();
    const std::uint32_t pairCount = r.UB4();
    r.U8();
    r.U8();
    std::string user;
    if (hasUser && userLength > 0) user = r.ClrText();
    std::map<std::string, std::string> pairs;
    for (std::uint32_t i = 0; i < pairCount; ++i) {
        std::string key = r.Lclr();
        std::string value = r.Lclr();
        r.UB4();
        pairs[std::move(key)] = std::move(value);
    }

    EnterPhase(phaseTwo ? Phase::Auth2 : Phase::Auth1);
    tns::ResponseStream out(channel_);
    ByteWriter w;
    if (!phaseTwo) {
        WriteParameterPairs(w, logon_.PhaseOne(user));
        FinishCall(out, w, {});
        LogCall("auth1", user, 0);
        return;
    }
    const auto reply = logon_.PhaseTwo(user, pairs, serviceName_);
    if (!reply) {
        FinishCall(out, w, Failure(OraError(1017, "invalid username/password; logon denied")));
        LogCall("auth2", user + " refused", 0);
        return;
    }
    WriteParameterPairs(w, *reply);
    WriteSessionState(w);
    FinishCall(out, w, {});
    loggedOn_ = true;
    LogCall("auth2", user + " logged on", 0);
}

void Session::Start(OpenCursor& open) {
    open.cursor = std::make_unique<sql::Cursor>(db_, open.sql);
    open.types.clear();
    open.hasLob = false;
    for (const auto& column : open.cursor->Columns()) {
        open.types.push_back(static_cast<std::uint8_t>(column.type.type));
        if (column.type.type == sql::OraType::Blob) open.hasLob = true;
    }
}

void Session::Execute(ByteReader& r) {
    const std::uint32_t options = r.UB4();
    const std::uint32_t cursorId = r.UB4();
    const bool hasSql = r.U8() != 0;
    r.UB4();  // SQL length
    r.U8();
    const std::uint32_t al8i4Length = r.UB4();
    r.U8();
    r.U8();
    r.UB4();  // prefetch buffer size
    const std::uint32_t prefetchRows = r.UB4();
    r.UB4();  // maximum LONG size
    r.U8();
    const std::uint32_t bindCount = r.UB4();
    for (int i = 0; i < 5; ++i) r.U8();
    const bool hasDefines = r.U8() != 0;
    const std::uint32_t defineCount = r.UB4();
    r.UB4();  // registration id
    r.U8();
    r.U8();
    r.U8();
    r.UB4();
    r.U8();
    r.UB4();
    r.UB4();  // registration id, high part
    r.U8();
    r.UB4();
    r.U8();
    if (fieldVersion_ >= kFieldVersion12_2) {
        r.U8();
        r.UB4();
        r.U8();
        r.UB4();
        r.U8();
    }
    if (fieldVersion_ >= kFieldVersion12_2Ext1) {
        r.U8();
        r.UB4();
    }
    std::string sqlText;
    if (hasSql) sqlText = r.ClrText();
    for (std::uint32_t i = 0; i < al8i4Length; ++i) r.UB4();
    std::vector<std::uint8_t> defineTypes;
    if (hasDefines) {
        for (std::uint32_t i = 0; i < defineCount; ++i) {
            defineTypes.push_back(r.U8());
            r.U8();    // flags
            r.U8();    // precision
            r.U8();    // scale
            r.UB4();   // buffer size
            r.UB4();   // max array elements
            r.UB8();   // continuation flags
            if (r.UB4() > 0) r.SkipClr();  // OID
            r.UB2();   // version
            r.UB2();   // character set
            r.U8();    // character set form
            r.UB4();   // max chars / LOB prefetch length
            if (fieldVersion_ >= kFieldVersion12_2) r.UB4();
        }
    }

    EnterPhase(Phase::Execute);
    tns::ResponseStream out(channel_);
    ByteWriter w;
    if (bindCount > 0 || (options & execute_option::kBind)) {
        // Bind values follow in the request; drop what is left of it and refuse the call.
        r.Skip(r.RemainingInPiece());
        FinishCall(out, w, Failure(OraError(1036, "illegal variable name/number (binds are not supported)")));
        LogCall("execute", sqlText, 0);
        return;
    }

    std::uint16_t id = static_cast<std::uint16_t>(cursorId);
    if (hasSql) {
        if (id == 0 || !cursors_.count(id)) id = nextCursorId_++;
        if (nextCursorId_ == 0) nextCursorId_ = 1;
        cursors_[id] = OpenCursor{sqlText};
    } else if (!cursors_.count(id)) {
        FinishCall(out, w, Failure(OraError(1001, "invalid cursor")));
        LogCall("execute", "cursor " + std::to_string(cursorId), 0);
        return;
    }
    OpenCursor& open = cursors_[id];
    try {
        if (hasSql || (options & execute_option::kExecute)) Start(open);
        if ((options & execute_option::kParse) && open.cursor->IsQuery()) WriteDescribe(w, open.cursor->Columns(), fieldVersion_);
        if (options & execute_option::kDefine) {
            if (defineTypes.size() != open.types.size()) throw OraError(1007, "variable not in select list");
            open.types = defineTypes;
            open.defined = true;
        }
        CallStatus status;
        status.cursorId = id;
        // A query with LOB columns returns no rows until the client has said how it wants them.
        const bool mayFetch = (options & execute_option::kFetch) && open.cursor->IsQuery() && (!open.hasLob || open.defined);
        if (mayFetch && SendRows(open, prefetchRows, out, w)) status.errorNumber = kNoDataFound;
        if (status.errorNumber == kNoDataFound) status.errorText = sql::OraText(1403, "no data found");
        status.rowCount = open.cursor->RowCount();
        WriteReturnParameters(w, id);
        FinishCall(out, w, status);
        LogCall("execute", open.sql, open.cursor->RowCount());
    } catch (const sql::EOraServerError& error) {
        const std::uint64_t rows = open.cursor ? open.cursor->RowCount() : 0;
        const std::string sqlForLog = open.sql;
        if (hasSql) cursors_.erase(id);
        FinishCall(out, w, Failure(error, hasSql ? 0 : id, rows));
        LogCall("execute", sqlForLog + " -> " + error.Text(), rows);
    }
}

void Session::Reexecute(ByteReader& r, bool fetch) {
    const auto id = static_cast<std::uint16_t>(r.UB4());
    const std::uint32_t count = r.UB4();
    r.UB4();
    r.UB4();
    EnterPhase(Phase::Execute);
    tns::ResponseStream out(channel_);
    ByteWriter w;
    auto it = cursors_.find(id);
    if (it == cursors_.end()) {
        FinishCall(out, w, Failure(OraError(1001, "invalid cursor")));
        return;
    }
    OpenCursor& open = it->second;
    try {
        const auto types = open.types;
        Start(open);
        if (open.defined && types.size() == open.types.size()) open.types = types;
        CallStatus status;
        status.cursorId = id;
        const bool mayFetch = fetch && open.cursor->IsQuery() && (!open.hasLob || open.defined);
        if (mayFetch && SendRows(open, count, out, w)) {
            status.errorNumber = kNoDataFound;
            status.errorText = sql::OraText(1403, "no data found");
        }
        status.rowCount = open.cursor->RowCount();
        FinishCall(out, w, status);
        LogCall("reexecute", open.sql, open.cursor->RowCount());
    } catch (const sql::EOraServerError& error) {
        FinishCall(out, w, Failure(error, id));
        LogCall("reexecute", open.sql + " -> " + error.Text(), 0);
    }
}

void Session::Fetch(ByteReader& r) {
    const auto id = static_cast<std::uint16_t>(r.UB4());
    const std::uint32_t count = r.UB4();
    EnterPhase(Phase::Fetch);
    tns::ResponseStream out(channel_);
    ByteWriter w;
    auto it = cursors_.find(id);
    if (it == cursors_.end() || !it->second.cursor || !it->second.cursor->IsQuery()) {
        FinishCall(out, w, Failure(OraError(1001, "invalid cursor")));
        return;
    }
    OpenCursor& open = it->second;
    const std::uint64_t before = open.cursor->RowCount();
    try {
        CallStatus status;
        status.cursorId = id;
        if (SendRows(open, count, out, w)) {
            status.errorNumber = kNoDataFound;
            status.errorText = sql::OraText(1403, "no data found");
        }
        status.rowCount = open.cursor->RowCount();
        FinishCall(out, w, status);
        LogCall("fetch", open.sql, open.cursor->RowCount() - before);
    } catch (const sql::EOraServerError& error) {
        FinishCall(out, w, Failure(error, id, open.cursor->RowCount()));
        LogCall("fetch", open.sql + " -> " + error.Text(), open.cursor->RowCount() - before);
    }
}

bool Session::SendRows(OpenCursor& open, std::uint32_t count, tns::ResponseStream& out, ByteWriter& w) {
    RowContext context{db_, faults_.Plan().lobLengthLie, heldLobs_};
    bool headerSent = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto row = open.cursor->Next();
        if (!row) return true;
        if (!headerSent) {
            WriteRowHeader(w);
            headerSent = true;
        }
        WriteRow(out, w, *row, open.types, context);
    }
    return open.cursor->Exhausted();
}

void Session::LobOperation(ByteReader& r, bool piggyback) {
    const bool hasSource = r.U8() != 0;
    const std::uint32_t sourceLength = r.UB4();
    r.U8();
    const std::uint32_t destinationLength = r.UB4();
    r.UB4();
    r.UB4();
    const bool hasCharset = r.U8() != 0;
    r.U8();
    r.U8();
    const std::uint32_t operation = r.UB4();
    r.U8();
    r.U8();
    const std::uint64_t offset = r.UB8();
    r.UB8();
    const bool hasAmount = r.U8() != 0;
    r.U16BE();
    r.U16BE();
    r.U16BE();
    std::vector<std::uint8_t> locator;
    if (hasSource) locator = r.Raw(sourceLength);
    if (destinationLength > 0) r.Skip(destinationLength);
    if (hasCharset) r.UB4();
    const std::uint64_t amount = hasAmount ? r.UB8() : 0;
    if (piggyback) return;  // freeing temporary LOBs: nothing is held for them

    if (operation == lob_op::kRead) EnterPhase(Phase::LobRead);
    tns::ResponseStream out(channel_);
    ByteWriter w;
    const auto address = DecodeLocator(locator);
    if (!address || (address->table.empty() && static_cast<std::size_t>(address->rowid) >= heldLobs_.size())) {
        FinishCall(out, w, Failure(OraError(22275, "invalid LOB locator specified")));
        return;
    }
    sqlite::Blob* cell = nullptr;
    const sql::Bytes* held = nullptr;
    std::int64_t size = 0;
    try {
        if (address->table.empty()) {
            held = &heldLobs_[static_cast<std::size_t>(address->rowid)];
            size = static_cast<std::int64_t>(held->size());
        } else {
            const bool reuse = openBlob_ && openBlob_->table == address->table && openBlob_->column == address->column &&
                               openBlob_->rowid == address->rowid;
            if (!reuse) {
                openBlob_.reset();
                openBlob_.emplace(OpenBlob{address->table, address->column, address->rowid,
                                           sqlite::Blob(db_.Handle(), address->table, address->column, address->rowid, false)});
            }
            cell = &openBlob_->blob;
            size = cell->Size();
        }
    } catch (const sqlite::ESqliteError&) {
        openBlob_.reset();
        FinishCall(out, w, Failure(OraError(22922, "nonexistent LOB value")));
        return;
    }

    std::int64_t result = 0;
    if (operation == lob_op::kRead) {
        if (offset == 0) {
            FinishCall(out, w, Failure(OraError(3137, "malformed TTC packet from client rejected: [kpolob:offset 0]")));
            return;
        }
        const auto start = static_cast<std::int64_t>(std::min<std::uint64_t>(offset - 1, static_cast<std::uint64_t>(size)));
        auto count = static_cast<std::int64_t>(std::min<std::uint64_t>(amount, static_cast<std::uint64_t>(size - start)));
        const auto& limit = faults_.Plan().lobErrorAfter;
        const bool failPartWay = limit && static_cast<std::uint64_t>(start + count) > *limit;
        if (failPartWay) count = std::max<std::int64_t>(0, static_cast<std::int64_t>(*limit) - start);
        if (count > 0) {
            w.U8(kLobData);
            std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::int64_t>(count, kLobDataChunk)));
            const bool longForm = count > static_cast<std::int64_t>(oracle::wire::kClrMaxShort);
            if (longForm) w.U8(oracle::wire::kClrLongForm);
            for (std::int64_t done = 0; done < count;) {
                const auto take = static_cast<std::size_t>(std::min<std::int64_t>(count - done, kLobDataChunk));
                if (held) std::copy_n(held->begin() + start + done, take, chunk.begin());
                else cell->Read(std::span(chunk).first(take), start + done);
                if (longForm) w.UB4(static_cast<std::uint32_t>(take));
                else w.U8(static_cast<std::uint8_t>(take));
                out.Put(w);
                out.Put(std::span(chunk).first(take));
                done += static_cast<std::int64_t>(take);
            }
            if (longForm) w.UB4(0);
        }
        if (failPartWay) {
            FinishCall(out, w,
                       Failure(OraError(1555, "snapshot too old: rollback segment number  with name \"\" too small")));
            LogCall("lob-read", "failed after " + std::to_string(start + count) + " bytes", 0);
            return;
        }
        result = count;
        LogCall("lob-read", "offset " + std::to_string(offset) + " amount " + std::to_string(amount), 0);
    } else if (operation == lob_op::kGetLength) {
        result = std::max<std::int64_t>(0, size + faults_.Plan().lobLengthLie);
    } else if (operation == lob_op::kGetChunkSize) {
        result = kLobChunkSize;
    }
    w.U8(kParameter);
    w.Raw(locator);
    if (hasAmount) w.SB8(result);
    if (operation == lob_op::kIsOpen || operation == lob_op::kFileExists || operation == lob_op::kFileIsOpen) w.U8(0);
    FinishCall(out, w, {});
}

void Session::FinishCall(tns::ResponseStream& out, ByteWriter& w, const CallStatus& status) {
    WriteError(w, status, fieldVersion_);
    out.Put(w);
    out.Finish();
}

void Session::SendErrorOnly(const CallStatus& status) {
    tns::ResponseStream out(channel_);
    ByteWriter w;
    FinishCall(out, w, status);
}

void Session::LogCall(std::string_view what, std::string_view detail, std::uint64_t rows) {
    const auto ms = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - callStart_).count() / 1000.0;
    char timing[32];
    std::snprintf(timing, sizeof timing, "%.1f ms", ms);
    log_.Line(peer_ + " " + std::string(what) + " \"" + std::string(detail) + "\" rows=" + std::to_string(rows) +
              " bytes=" + std::to_string(channel_.BytesOut() - bytesAtCallStart_) + " " + timing);
}

}  // namespace testdb::ttc
