#include "oracle/client/Session.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "oracle/client/Transport.h"
#include "oracle/crypto/Hex.h"
#include "oracle/crypto/O5Logon.h"
#include "oracle/net/Connection.h"
#include "oracle/wire/Connect.h"
#include "oracle/wire/Ttc.h"

namespace oracle::client {
namespace {

constexpr std::uint8_t kClientFieldVersion = 13;  // 19c layouts; servers use the lower of both
constexpr std::uint32_t kAuthModeLogon = 0x01;
constexpr std::uint32_t kAuthModeWithPassword = 0x100;
constexpr std::uint32_t kMaxIterations = 100000;
constexpr int kMaxResends = 3;
constexpr int kMaxBreaksPerCall = 3;
constexpr std::uint8_t kConnectFlagRedirected = 0x04;
constexpr std::uint8_t kRedirectFlagWithData = 0x02;
// Every row of a query is held in memory; the statements here return a few, so a server sending
// far more is refused rather than followed until memory runs out.
constexpr std::size_t kMaxRows = 100000;
constexpr const char* kDriverName = "DozevedAzovu Direct : 1.0";
constexpr const char* kClientVersion = "318767104";

// Values inside the connect descriptor must not contain its syntax characters.
std::string DescriptorValue(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '(' || c == ')' || c == '=' || c < 32; }, '_');
    return text.empty() ? "_" : text;
}

std::string Descriptor(const SessionSettings& s) {
    return "(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=" + DescriptorValue(s.host) + ")(PORT=" +
           std::to_string(s.port) + "))(CONNECT_DATA=(SID=" + DescriptorValue(s.sid) +
           ")(CID=(PROGRAM=" + DescriptorValue(s.program) + ")(HOST=" + DescriptorValue(s.machine) +
           ")(USER=" + DescriptorValue(s.osUser) + "))))";
}

std::string OraCode(int code) {
    auto digits = std::to_string(code);
    return "ORA-" + std::string(digits.size() < 5 ? 5 - digits.size() : 0, '0') + digits;
}

std::string ListenerMessage(int code) {
    static const std::map<int, std::string> kTexts = {
        {12505, "TNS:listener does not currently know of SID given in connect descriptor"},
        {12514, "TNS:listener does not currently know of service requested in connect descriptor"},
        {12504, "TNS:listener was not given the SID in CONNECT_DATA"},
        {12516, "TNS:listener could not find available handler with matching protocol stack"},
        {12519, "TNS:no appropriate service handler found"},
        {12520, "TNS:listener could not find available handler for requested type of server"},
        {12660, "Encryption or crypto-checksumming parameters incompatible"},
    };
    const auto it = kTexts.find(code);
    return OraCode(code) + ": " + (it != kTexts.end() ? it->second : "TNS:connection refused by the listener");
}

const wire::KeyValue* Find(const std::vector<wire::KeyValue>& pairs, std::string_view key) {
    for (const auto& kv : pairs) {
        if (kv.key == key) return &kv;
    }
    return nullptr;
}

std::string Required(const std::vector<wire::KeyValue>& pairs, std::string_view key) {
    const auto* kv = Find(pairs, key);
    if (kv == nullptr || kv->value.empty()) ThrowProtocol("logon reply without " + std::string(key));
    return kv->value;
}

std::uint32_t Count(const std::vector<wire::KeyValue>& pairs, std::string_view key) {
    const auto text = Required(pairs, key);
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0 || value > kMaxIterations) {
        ThrowProtocol(std::string(key) + " is not an iteration count between 1 and 100000: " + text);
    }
    return value;
}

crypto::Bytes HexValue(const std::string& text, std::string_view key) {
    auto bytes = crypto::HexDecode(text);
    if (!bytes) ThrowProtocol(std::string(key) + " is not hex text");
    return std::move(*bytes);
}

bool IsLob(std::uint8_t type) {
    return type == wire::type::kBlob || type == wire::type::kClob || type == wire::type::kBfile;
}

}  // namespace

template <class F>
auto Session::Guarded(F&& action) {
    if (!transport_) ThrowNetwork("not connected to the database");
    try {
        return action();
    } catch (const EOraNetworkError&) {
        transport_.reset();
        throw;
    } catch (const EOraProtocolError&) {
        transport_.reset();
        throw;
    } catch (const EOraNotSupported&) {
        transport_.reset();
        throw;
    }
}

Session::Session(const SessionSettings& settings) : settings_(settings) {
    ConnectToListener();
    try {
        Negotiate();
        LogOn();
    } catch (const toolkit::Exception&) {
        transport_.reset();
        throw;
    }
}

Session::~Session() {
    if (!transport_) return;
    try {
        Logoff();
    } catch (const toolkit::Exception&) {
        // The session is being discarded either way; the socket closes with the transport.
    }
}

void Session::ConnectToListener() {
    std::string host = settings_.host;
    std::uint16_t port = settings_.port;
    std::string descriptor = Descriptor(settings_);
    std::uint8_t connectFlags = 0;
    bool redirected = false;
    for (;;) {
        transport_ = std::make_unique<Transport>(net::OpenTcp(host, port, settings_.inactivityTimeout));
        const auto connect = wire::BuildConnect({descriptor, settings_.sdu, settings_.sdu, connectFlags});
        int resends = 0;
        bool follow = false;
        while (!follow) {
            for (const auto& p : connect) transport_->SendPacket(p);
            auto reply = transport_->ReceivePacket();
            switch (reply.type) {
                case wire::PacketType::Accept: {
                    const auto a = wire::ParseAccept(reply);
                    if (a.version < wire::kMinVersionLongLength) {
                        throw EOraNotSupported(toolkit::Utf8ToString(
                            "the server speaks TNS version " + std::to_string(a.version) +
                            " (before 12.1); Direct mode needs Oracle Database 12.1 or later"));
                    }
                    if ((a.flags0 & wire::kAcceptFlagNaRequired) != 0) {
                        throw EOraNotSupported(u"the server requires Oracle native network encryption, "
                                               u"which Direct mode does not support");
                    }
                    if (a.sdu < 512) ThrowProtocol("ACCEPT with an SDU of " + std::to_string(a.sdu));
                    transport_->SetSdu(std::min(a.sdu, settings_.sdu));
                    transport_->SwitchToLongLengths();
                    return;
                }
                case wire::PacketType::Resend:
                    if (++resends > kMaxResends) ThrowProtocol("the listener keeps asking to resend the CONNECT");
                    break;
                case wire::PacketType::Refuse: {
                    auto text = wire::ParseRefuse(reply);
                    if (text.pendingData > 0) {
                        const auto more = transport_->ReceivePacket();
                        const auto payload = more.DataPayload();
                        text.text.assign(payload.begin(), payload.end());
                    }
                    const int code = wire::ListenerErrorCode(text.text).value_or(12564);
                    throw EOraError(code, toolkit::Utf8ToString(ListenerMessage(code) + " (" + host + ":" +
                                                                std::to_string(port) + ", SID " + settings_.sid + ")"));
                }
                case wire::PacketType::Redirect: {
                    if (redirected) ThrowProtocol("the listener redirected the connection a second time");
                    auto text = wire::ParseRedirect(reply);
                    if (text.pendingData > 0) {
                        const auto more = transport_->ReceivePacket();
                        const auto payload = more.DataPayload();
                        text.text.assign(payload.begin(), payload.end());
                    }
                    std::string address = text.text;
                    if ((reply.flags & kRedirectFlagWithData) != 0) {
                        const auto nul = text.text.find('\0');
                        if (nul != std::string::npos) {
                            address = text.text.substr(0, nul);
                            descriptor = text.text.substr(nul + 1);
                        }
                    }
                    const auto target = wire::DescriptorAddress(address);
                    if (!target) ThrowProtocol("REDIRECT without a HOST and PORT: " + address);
                    host = target->first;
                    port = target->second;
                    connectFlags = kConnectFlagRedirected;
                    redirected = true;
                    follow = true;
                    break;
                }
                default:
                    ThrowProtocol("unexpected TNS packet of type " + std::to_string(static_cast<int>(reply.type)) +
                                  " from the listener");
            }
        }
    }
}

void Session::Negotiate() {
    transport_->SendRequest(ProtocolRequest("DozevedAzovu"));
    wire::ByteReader protocolReader(*transport_);
    const auto protocol = wire::ReadProtocolReply(protocolReader);
    if (!transport_->ReplyComplete(protocolReader)) ThrowProtocol("bytes left over after the PROTOCOL reply");
    const auto serverVersion = protocol.FieldVersion();
    if (serverVersion < 7) ThrowProtocol("PROTOCOL reply with TTC field version " + std::to_string(serverVersion));
    fieldVersion_ = std::min(kClientFieldVersion, serverVersion);
    maxStringSize_ = protocol.LongStrings() ? 32767 : 4000;

    transport_->SendRequest(DataTypesRequest(fieldVersion_));
    wire::ByteReader typesReader(*transport_);
    wire::ReadDataTypesReply(typesReader);
    if (!transport_->ReplyComplete(typesReader)) ThrowProtocol("bytes left over after the DATA_TYPES reply");
}

wire::Response Session::Call(const Bytes& request, wire::ResponseContext& context) {
    transport_->SendRequest(request);
    for (int breaks = 0;; ++breaks) {
        if (breaks > kMaxBreaksPerCall) ThrowProtocol("the server keeps breaking off its reply");
        wire::ByteReader reader(*transport_);
        try {
            auto response = wire::ReadResponse(reader, context);
            if (!transport_->ReplyComplete(reader)) ThrowProtocol("bytes left over after a reply");
            return response;
        } catch (const EOraReplyBroken&) {
            // The reset handshake is done; the reply starts again (normally with its ERROR).
        }
    }
}

void Session::RaiseIfError(const wire::ServerError& error) {
    if (error.number == 0) return;
    const auto text = error.message.empty() ? OraCode(static_cast<int>(error.number)) : error.message;
    throw EOraError(static_cast<int>(error.number), toolkit::Utf8ToString(text));
}

void Session::LogOn() {
    const auto& s = settings_;
    wire::ResponseContext ctx;
    ctx.fieldVersion = fieldVersion_;
    ctx.parameters = wire::ParameterLayout::KeyValues;
    const std::vector<AuthPair> phaseOne = {
        {"AUTH_TERMINAL", s.machine}, {"AUTH_PROGRAM_NM", s.program}, {"AUTH_MACHINE", s.machine},
        {"AUTH_PID", s.processId},    {"AUTH_SID", s.osUser},
    };
    const auto challenge =
        Call(AuthRequest(wire::function::kAuthPhaseOne, sequence_.Next(), s.user, kAuthModeLogon, phaseOne), ctx);
    RaiseIfError(challenge.error);
    const auto* vfr = Find(challenge.keyValues, "AUTH_VFR_DATA");
    if (vfr == nullptr) ThrowProtocol("logon reply without AUTH_VFR_DATA");
    crypto::VerifierData verifier;
    verifier.kind = crypto::KindOfVerifier(vfr->flags);
    verifier.salt = HexValue(vfr->value, "AUTH_VFR_DATA");
    if (verifier.kind == crypto::VerifierKind::V12c) {
        verifier.cskSalt = HexValue(Required(challenge.keyValues, "AUTH_PBKDF2_CSK_SALT"), "AUTH_PBKDF2_CSK_SALT");
        verifier.vgenCount = Count(challenge.keyValues, "AUTH_PBKDF2_VGEN_COUNT");
        verifier.sderCount = Count(challenge.keyValues, "AUTH_PBKDF2_SDER_COUNT");
    }
    const auto auth = crypto::ComputeClientAuth(s.password, verifier, Required(challenge.keyValues, "AUTH_SESSKEY"),
                                                crypto::ClientRandom::Fresh(verifier.kind));
    std::vector<AuthPair> phaseTwo = {{"AUTH_SESSKEY", auth.sessKeyHex, 1}};
    if (!auth.speedyKeyHex.empty()) phaseTwo.push_back({"AUTH_PBKDF2_SPEEDY_KEY", auth.speedyKeyHex});
    phaseTwo.push_back({"AUTH_PASSWORD", auth.passwordHex});
    phaseTwo.push_back({"SESSION_CLIENT_CHARSET", std::to_string(wire::kCharsetUtf8)});
    phaseTwo.push_back({"SESSION_CLIENT_DRIVER_NAME", kDriverName});
    phaseTwo.push_back({"SESSION_CLIENT_VERSION", kClientVersion});
    const auto accepted = Call(AuthRequest(wire::function::kAuthPhaseTwo, sequence_.Next(), s.user,
                                           kAuthModeLogon | kAuthModeWithPassword, phaseTwo),
                               ctx);
    RaiseIfError(accepted.error);
    const auto* proof = Find(accepted.keyValues, "AUTH_SVR_RESPONSE");
    if (proof == nullptr || !crypto::ServerResponseValid(auth.comboKey, proof->value)) {
        ThrowProtocol("the server did not prove that it knows the password (AUTH_SVR_RESPONSE); logon refused");
    }
}

QueryResult Session::Query(const std::string& sql) {
    return Guarded([&] {
        wire::ResponseContext ctx;
        ctx.fieldVersion = fieldVersion_;
        ctx.maxStringSize = maxStringSize_;
        ExecuteRequest exec;
        exec.options = wire::execute_option::kParse | wire::execute_option::kExecute | wire::execute_option::kFetch | wire::execute_option::kNotPlsql;
        exec.sql = sql;
        exec.prefetchRows = settings_.prefetchRows;
        auto response = Call(Execute(exec, sequence_, fieldVersion_, cursorsToClose_), ctx);
        const std::uint32_t cursor = response.error.cursorId;
        // The cursor is closed by a piggyback on the next call, once this query is done with it.
        struct CloseLater {
            std::vector<std::uint32_t>& list;
            std::uint32_t id;
            ~CloseLater() {
                if (id != 0) list.push_back(id);
            }
        } closeLater{cursorsToClose_, cursor};
        if (response.error.number != wire::kErrorNoDataFound) RaiseIfError(response.error);
        if (!response.described) ThrowProtocol("the reply to a query carries no column description");

        QueryResult result;
        result.columns = ctx.columns;
        auto keep = [&](wire::Response& r) {
            for (auto& row : r.rows) result.rows.push_back(std::move(row));
            if (result.rows.size() > kMaxRows) {
                throw toolkit::EDatabaseError(toolkit::Utf8ToString("the query returned more than " +
                                                                    std::to_string(kMaxRows) + " rows: " + sql));
            }
        };
        keep(response);
        auto status = response.error.number;
        if (status != wire::kErrorNoDataFound &&
            std::any_of(ctx.columns.begin(), ctx.columns.end(), [](const auto& c) { return IsLob(c.type); })) {
            // LOB columns need defines before the server sends rows; ask for the first rows too.
            ExecuteRequest define;
            define.options = wire::execute_option::kDefine | wire::execute_option::kFetch | wire::execute_option::kNotPlsql;
            define.cursorId = cursor;
            define.prefetchRows = settings_.prefetchRows;
            define.defines = ctx.columns;
            auto defined = Call(Execute(define, sequence_, fieldVersion_, cursorsToClose_), ctx);
            if (defined.error.number != wire::kErrorNoDataFound) RaiseIfError(defined.error);
            keep(defined);
            status = defined.error.number;
        }
        while (status != wire::kErrorNoDataFound) {
            if (cursor == 0) ThrowProtocol("more rows announced without a cursor to fetch them from");
            auto more = Call(Fetch(cursor, settings_.prefetchRows, sequence_), ctx);
            if (more.error.number != wire::kErrorNoDataFound) RaiseIfError(more.error);
            if (more.rows.empty() && more.error.number == 0) ThrowProtocol("FETCH returned no rows and no end of data");
            keep(more);
            status = more.error.number;
        }
        return result;
    });
}

std::uint64_t Session::ReadLob(const wire::LobLocator& lob, const wire::ByteSink& sink) {
    return Guarded([&] {
        wire::ResponseContext ctx;
        ctx.fieldVersion = fieldVersion_;
        ctx.parameters = wire::ParameterLayout::LobOperation;
        ctx.lobAmount = true;
        Bytes locator = lob.locator;
        std::uint64_t received = 0;
        // The last READ asks for one byte more than the announced length, so a LOB longer than
        // its length shows without an extra round trip.
        for (bool more = true; more;) {
            const auto remaining = lob.length - received;
            const bool last = remaining < settings_.lobReadSize;
            const auto amount = last ? remaining + 1 : std::uint64_t{settings_.lobReadSize};
            std::uint64_t piece = 0;
            ctx.lobLocatorSize = locator.size();
            ctx.lobSink = [&](std::span<const std::uint8_t> bytes) {
                piece += bytes.size();
                if (piece > amount) ThrowProtocol("LOB READ returned more bytes than asked for");
                if (piece > remaining) {
                    ThrowProtocol("the LOB holds more than the " + std::to_string(lob.length) + " bytes announced for it");
                }
                sink(bytes);
            };
            auto response = Call(LobOperation(wire::lob_op::kRead, locator, received + 1, amount, sequence_), ctx);
            RaiseIfError(response.error);
            if (response.lobLocator.size() == locator.size()) locator = std::move(response.lobLocator);
            received += piece;
            // Stop at the end, or when the LOB ended early (the caller sees the shortfall).
            more = !last && piece > 0;
        }
        return received;
    });
}

void Session::Logoff() {
    Guarded([&] {
        wire::ResponseContext ctx;
        ctx.fieldVersion = fieldVersion_;
        const auto response = Call(client::Logoff(sequence_, cursorsToClose_), ctx);
        transport_->SendEof();
        transport_.reset();
        RaiseIfError(response.error);
        return 0;
    });
}

}  // namespace oracle::client
