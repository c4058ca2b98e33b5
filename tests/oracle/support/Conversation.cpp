#include "support/Conversation.h"

#include <stdexcept>

#include "oracle/wire/ByteReader.h"
#include "oracle/wire/Connect.h"
#include "oracle/wire/Errors.h"
#include "oracle/wire/Ttc.h"

namespace oracle::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace oracle::wire;

constexpr std::uint8_t kFunctionVersion = 59;

// Hands out the DATA payloads of one reply, one packet at a time.
class PacketSource : public ByteSource {
public:
    explicit PacketSource(const std::vector<Bytes>& pieces) : pieces_(pieces) {}
    std::span<const std::uint8_t> Next() override {
        while (next_ < pieces_.size() && pieces_[next_].empty()) ++next_;
        if (next_ == pieces_.size()) ThrowProtocol("reply ended inside a message");
        return pieces_[next_++];
    }
    bool Exhausted() const {
        for (auto i = next_; i < pieces_.size(); ++i) {
            if (!pieces_[i].empty()) return false;
        }
        return true;
    }

private:
    const std::vector<Bytes>& pieces_;
    std::size_t next_ = 0;
};

struct CursorState {
    std::vector<Column> columns;
    Row previousRow;
};

struct Request {
    std::uint8_t message = 0;
    std::uint8_t function = 0;
    std::uint32_t cursor = 0;
    std::size_t zoneBytes = 0;
    std::uint8_t clientFieldVersion = 0;
    bool compressedPrecision = false;
};

// The client's compile capabilities travel in DATA_TYPES, or inside FAST_AUTH: find the
// DATA_TYPES layout (type 2, two charsets, flags, caps starting with SQL version 6).
std::uint8_t ClientFieldVersion(const Bytes& request) {
    for (std::size_t at = 0; at + 8 < request.size(); ++at) {
        if (request[at] == message::kDataTypes && request[at + 6] >= 40 && request[at + 6] <= 60 &&
            request[at + 7] == 6 && at + 7 + 7 < request.size()) {
            return request[at + 7 + 7] | (request[at + 7 + 1] != 0 ? 0x80 : 0);
        }
    }
    return 0;
}

Request Classify(const Bytes& bytes, std::uint8_t fieldVersion) {
    Request req;
    if (bytes.size() >= 4 && bytes[0] == 0xDE && bytes[1] == 0xAD && bytes[2] == 0xBE && bytes[3] == 0xEF) {
        req.message = 0xDE;
        return req;
    }
    ByteReader r(bytes);
    req.message = r.U8();
    if (req.message == message::kDataTypes || req.message == message::kFastAuth) {
        const auto found = ClientFieldVersion(bytes);
        req.clientFieldVersion = found & 0x7F;
        req.compressedPrecision = (found & 0x80) != 0;
    }
    if (req.message == message::kDataTypes) {
        r.U16LE();
        r.U16LE();
        r.U8();
        const auto compile = r.Clr().value_or(Bytes{});
        const auto runtime = r.Clr().value_or(Bytes{});
        if (runtime.size() > 1 && (runtime[1] & 1)) req.zoneBytes = compile.size() > 37 && (compile[37] & 2) ? 15 : 11;
        return req;
    }
    // Piggybacks in front of the function: only cursor closes appear in the recordings.
    while (req.message == message::kPiggyback) {
        const auto code = r.U8();
        r.U8();
        if (fieldVersion >= kFieldVersion23_1Ext1) r.UB8();
        if (code != function::kCloseCursors && code != function::kCancelCursors) {
            throw std::runtime_error("piggyback " + std::to_string(code) + " not understood by the replay");
        }
        r.U8();
        const auto n = r.UB4();
        for (std::uint32_t i = 0; i < n; ++i) r.UB4();
        req.message = r.U8();
    }
    if (req.message != message::kFunction) return req;
    req.function = r.U8();
    r.U8();
    if (fieldVersion >= kFieldVersion23_1Ext1) r.UB8();
    if (req.function == function::kExecute) {
        r.UB4();
        req.cursor = r.UB4();
    } else if (req.function == function::kFetch || req.function == function::kReexecute ||
               req.function == function::kReexecuteAndFetch) {
        req.cursor = r.UB4();  // fetch, re-execute, re-execute and fetch
    }
    return req;
}

}  // namespace

Conversation Replay(const RecordedConnection& connection) {
    Conversation conv;
    std::map<std::uint32_t, CursorState> cursors;
    // Group the packets: a run of client DATA packets is a request, the following run of
    // server DATA packets its reply.
    std::size_t i = 0;
    const auto& packets = connection.packets;
    bool accepted = false;
    bool compressedPrecision = false;
    bool endOfRequestMode = false;  // the server marks its last packet of each response
    while (i < packets.size()) {
        const auto& p = packets[i];
        if (!accepted) {
            if (p.direction == Direction::ToClient) {
                conv.listenerReplies.push_back(p.packet.type);
                if (p.packet.type == PacketType::Accept) accepted = true;
            }
            ++i;
            continue;
        }
        Bytes request;
        for (; i < packets.size() && packets[i].direction == Direction::ToServer &&
               packets[i].packet.type == PacketType::Data;
             ++i) {
            const auto payload = packets[i].packet.DataPayload();
            request.insert(request.end(), payload.begin(), payload.end());
        }
        // A server MARKER breaks the reply off: the client answers with its own reset marker
        // and reads the reply again from the server's reset on.
        std::vector<Bytes> reply;
        for (; i < packets.size() && (packets[i].direction == Direction::ToClient ||
                                      packets[i].packet.type == PacketType::Marker);
             ++i) {
            const auto& q = packets[i].packet;
            if (packets[i].direction == Direction::ToServer) continue;
            if (q.type == PacketType::Marker) {
                ++conv.markers;
                reply.clear();
            } else if (q.type == PacketType::Data) {
                if (q.DataFlags() & kDataFlagEndOfResponse) endOfRequestMode = true;
                const auto payload = q.DataPayload();
                reply.emplace_back(payload.begin(), payload.end());
            } else {
                throw std::runtime_error("unexpected packet type in a reply");
            }
        }
        if (request.empty() || reply.empty()) continue;  // EOF packet, or a marker exchange
        const auto req = Classify(request, conv.fieldVersion);
        if (req.message == 0xDE) continue;  // network-option negotiation, not TTC
        try {
        PacketSource source(reply);
        ByteReader r(source);
        Exchange ex;
        ex.requestMessage = req.message;
        ex.function = req.function;
        if (req.message == message::kProtocol || req.message == message::kFastAuth) {
            conv.protocol = ReadProtocolReply(r);
        }
        if (req.clientFieldVersion != 0) {
            conv.fieldVersion = std::min(conv.protocol.FieldVersion(), req.clientFieldVersion);
            compressedPrecision = req.compressedPrecision;
        }
        if (req.message == message::kDataTypes || req.message == message::kFastAuth) {
            ReadDataTypesReply(r, req.zoneBytes);
        }
        if (req.message == message::kFunction || req.message == message::kFastAuth) {
            ResponseContext ctx;
            ctx.fieldVersion = conv.fieldVersion;
            ctx.endOfRequestMode = endOfRequestMode;
            ctx.compressedPrecision = compressedPrecision;
            ctx.maxStringSize = conv.protocol.LongStrings() ? 32767 : 4000;
            const bool logon = req.message == message::kFastAuth || req.function == function::kAuthPhaseOne ||
                               req.function == function::kAuthPhaseTwo;
            ctx.parameters = logon ? ParameterLayout::KeyValues : ParameterLayout::ReturnParameters;
            if (req.function == kFunctionVersion) ctx.parameters = ParameterLayout::Version;
            auto& cursor = cursors[req.cursor];
            ctx.columns = cursor.columns;
            ctx.previousRow = cursor.previousRow;
            ex.response = ReadResponse(r, ctx);
            ex.columns = ctx.columns;
            const auto id = ex.response.error.cursorId != 0 ? ex.response.error.cursorId : req.cursor;
            if (id != 0) cursors[id] = {ctx.columns, ctx.previousRow};
        }
        if (!r.AtEnd() || !source.Exhausted()) throw std::runtime_error("bytes left over after the reply to message " + std::to_string(req.message) +
                                     " function " + std::to_string(req.function) + " (after " +
                                     std::to_string(r.Consumed()) + " bytes)");
        conv.exchanges.push_back(std::move(ex));
        } catch (const std::exception& e) {
            throw std::runtime_error("reply " + std::to_string(conv.exchanges.size()) + " to message " +
                                     std::to_string(req.message) + " function " + std::to_string(req.function) +
                                     ": " + e.what());
        }
    }
    return conv;
}

}  // namespace oracle::test
