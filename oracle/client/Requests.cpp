#include "oracle/client/Requests.h"

#include "oracle/wire/ByteWriter.h"
#include "oracle/wire/DataTypes.h"
#include "oracle/wire/Ttc.h"

namespace oracle::client {
namespace {

using wire::ByteWriter;
namespace message = wire::message;
namespace function = wire::function;

constexpr std::uint32_t kLobPrefetchFlag = 0x02000000;
constexpr std::uint32_t kMaxLongSize = 0x7FFFFFFF;

void FunctionHeader(ByteWriter& w, std::uint8_t code, std::uint8_t seq) {
    w.U8(message::kFunction);
    w.U8(code);
    w.U8(seq);
}

void CloseCursors(ByteWriter& w, Sequence& seq, std::vector<std::uint32_t>& cursors) {
    if (cursors.empty()) return;
    w.U8(message::kPiggyback);
    w.U8(function::kCloseCursors);
    w.U8(seq.Next());
    w.U8(1);
    w.UB4(static_cast<std::uint32_t>(cursors.size()));
    for (auto id : cursors) w.UB4(id);
    cursors.clear();
}

void Define(ByteWriter& w, const wire::Column& c, std::uint8_t fieldVersion) {
    const bool lob = c.type == wire::type::kBlob || c.type == wire::type::kClob;
    const bool text = c.charsetForm != 0;
    w.U8(c.type);
    w.U8(0x01);  // use indicators
    w.U8(0);
    w.U8(0);
    w.UB4(c.maxSize);
    w.UB4(0);
    w.UB4(lob ? kLobPrefetchFlag : 0);
    w.UB4(0);  // OID
    w.UB2(0);
    w.UB2(text ? wire::kCharsetUtf8 : 0);
    w.U8(c.charsetForm);
    w.UB4(0);  // no LOB prefetch: contents come through READ only when asked for
    if (fieldVersion >= wire::kFieldVersion12_2) w.UB4(0);
}

}  // namespace

Bytes ProtocolRequest(std::string_view clientName) {
    ByteWriter w;
    w.U8(message::kProtocol);
    w.U8(6);
    w.U8(0);
    w.Raw(clientName);
    w.U8(0);
    return w.Take();
}

Bytes DataTypesRequest(std::uint8_t fieldVersion) {
    ByteWriter w;
    w.U8(message::kDataTypes);
    w.U16LE(wire::kCharsetUtf8);  // ask for every text in UTF-8, whatever the database stores
    w.U16LE(wire::kCharsetUtf8);
    w.U8(0x03);
    w.Clr(wire::ClientCompileCaps(fieldVersion));
    w.Clr(wire::ClientRuntimeCaps());
    for (const auto& e : wire::ClientDataTypes()) {
        w.U16BE(e.type);
        w.U16BE(e.conversion);
        w.U16BE(e.representation);
        w.U16BE(0);
    }
    w.U16BE(0);
    return w.Take();
}

Bytes AuthRequest(std::uint8_t code, std::uint8_t seq, std::string_view user, std::uint32_t mode,
                  const std::vector<AuthPair>& pairs) {
    ByteWriter w;
    FunctionHeader(w, code, seq);
    w.U8(1);
    w.UB4(static_cast<std::uint32_t>(user.size()));
    w.UB4(mode);
    w.U8(1);
    w.UB4(static_cast<std::uint32_t>(pairs.size()));
    w.U8(1);
    w.U8(1);
    w.Clr(user);
    for (const auto& p : pairs) w.KeyValue(p.key, p.value, p.flags);
    return w.Take();
}

Bytes Execute(const ExecuteRequest& req, Sequence& seq, std::uint8_t fieldVersion,
              std::vector<std::uint32_t>& cursorsToClose) {
    ByteWriter w;
    CloseCursors(w, seq, cursorsToClose);
    FunctionHeader(w, function::kExecute, seq.Next());
    const bool withSql = req.cursorId == 0;
    const bool isParse = (req.options & wire::execute_option::kParse) != 0;
    w.UB4(req.options);
    w.UB4(req.cursorId);
    w.U8(withSql ? 1 : 0);
    w.UB4(withSql ? static_cast<std::uint32_t>(req.sql.size()) : 0);
    w.U8(1);
    w.UB4(13);  // al8i4 entries
    w.U8(0);
    w.U8(0);
    w.UB4(0);  // prefetch buffer size
    w.UB4(req.prefetchRows);
    w.UB4(kMaxLongSize);
    w.U8(0);  // no binds
    w.UB4(0);
    for (int i = 0; i < 5; ++i) w.U8(0);
    w.U8(req.defines.empty() ? 0 : 1);
    w.UB4(static_cast<std::uint32_t>(req.defines.size()));
    w.UB4(0);  // registration id
    w.U8(0);
    w.U8(1);
    w.U8(0);
    w.UB4(0);
    w.U8(0);
    w.UB4(0);
    w.UB4(0);
    w.U8(0);
    w.UB4(0);
    w.U8(0);
    if (fieldVersion >= wire::kFieldVersion12_2) {
        w.U8(0);
        w.UB4(0);
        w.U8(0);
        w.UB4(0);
        w.U8(0);
    }
    if (fieldVersion >= wire::kFieldVersion12_2Ext1) {
        w.U8(0);
        w.UB4(0);
    }
    if (withSql) w.Clr(req.sql);
    const std::uint32_t al8i4[13] = {isParse ? 1u : 0u, withSql ? 0u : req.prefetchRows, 0, 0, 0, 0, 0, 1, 0,
                                     (req.options & wire::execute_option::kExecute) ? 0x8000u : 0u, 0, 0, 0};
    for (auto v : al8i4) w.UB4(v);
    for (const auto& c : req.defines) Define(w, c, fieldVersion);
    return w.Take();
}

Bytes Fetch(std::uint32_t cursorId, std::uint32_t rows, Sequence& seq) {
    ByteWriter w;
    FunctionHeader(w, function::kFetch, seq.Next());
    w.UB4(cursorId);
    w.UB4(rows);
    return w.Take();
}

Bytes Logoff(Sequence& seq, std::vector<std::uint32_t>& cursorsToClose) {
    ByteWriter w;
    CloseCursors(w, seq, cursorsToClose);
    FunctionHeader(w, function::kLogoff, seq.Next());
    return w.Take();
}

Bytes LobOperation(std::uint32_t operation, const Bytes& locator, std::uint64_t offset, std::uint64_t amount,
                   Sequence& seq) {
    ByteWriter w;
    FunctionHeader(w, function::kLobOp, seq.Next());
    w.U8(1);
    w.UB4(static_cast<std::uint32_t>(locator.size()));
    w.U8(0);
    w.UB4(0);
    w.UB4(0);
    w.UB4(0);
    w.U8(0);
    w.U8(0);
    w.U8(0);
    w.UB4(operation);
    w.U8(0);
    w.U8(0);
    w.UB8(offset);
    w.UB8(0);
    w.U8(1);  // amount follows
    w.U16BE(0);
    w.U16BE(0);
    w.U16BE(0);
    w.Raw(locator);
    w.UB8(amount);
    return w.Take();
}

}  // namespace oracle::client
