#include "testdb/ttc/Logon.h"

#include <algorithm>
#include <cctype>

#include "oracle/crypto/Hex.h"

namespace testdb::ttc {
namespace {

using namespace oracle::crypto;

constexpr const char* kVersionNumber = "318767104";  // 19.0.0.0.0
constexpr std::uint32_t kVgenCount = 4096;
constexpr std::uint32_t kSderCount = 3;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string Value(const std::map<std::string, std::string>& pairs, const char* key) {
    auto it = pairs.find(key);
    return it == pairs.end() ? std::string() : it->second;
}

}  // namespace

std::vector<KeyValue> Logon::PhaseOne(const std::string& user) {
    user_ = Upper(user);
    account_ = nullptr;
    for (const auto& account : accounts_)
        if (Upper(account.user) == user_) account_ = &account;
    password_ = account_ ? account_->password : std::string();

    const bool is11g = account_ && account_->verifier == VerifierChoice::V11g;
    verifier_ = {};
    verifier_.kind = is11g ? VerifierKind::V11g : VerifierKind::V12c;
    verifier_.salt = RandomBytes(is11g ? 10 : 16);
    if (!is11g) {
        verifier_.cskSalt = RandomBytes(16);
        verifier_.vgenCount = kVgenCount;
        verifier_.sderCount = kSderCount;
    }
    keys_ = DerivePasswordKeys(password_, verifier_);
    const auto challenge = MakeServerChallenge(keys_, RandomBytes(SessionKeyPartSize(verifier_.kind)));
    serverPart_ = challenge.serverPart;

    std::vector<KeyValue> pairs;
    pairs.push_back({"AUTH_SESSKEY", challenge.sessKeyHex, 0});
    pairs.push_back({"AUTH_VFR_DATA", HexEncode(verifier_.salt), is11g ? kVerifier11gA : kVerifier12c});
    if (!is11g) {
        pairs.push_back({"AUTH_PBKDF2_CSK_SALT", HexEncode(verifier_.cskSalt), 0});
        pairs.push_back({"AUTH_PBKDF2_VGEN_COUNT", std::to_string(kVgenCount), 0});
        pairs.push_back({"AUTH_PBKDF2_SDER_COUNT", std::to_string(kSderCount), 0});
    }
    // A real server sends this one key with its C string's terminating NUL.
    static constexpr char kDbidKey[] = "AUTH_GLOBALLY_UNIQUE_DBID";
    pairs.push_back({std::string(kDbidKey, sizeof kDbidKey), "D0D0D0D0D0D0D0D0D0D0D0D0D0D0D0D0", 0});
    return pairs;
}

std::optional<std::vector<KeyValue>> Logon::PhaseTwo(const std::string& user,
                                                     const std::map<std::string, std::string>& pairs,
                                                     const std::string& serviceName) {
    if (!account_ || Upper(user) != user_) return std::nullopt;
    std::optional<Bytes> combo;
    try {
        combo = VerifyClientLogon(password_, verifier_, keys_, serverPart_, Value(pairs, "AUTH_SESSKEY"),
                                  Value(pairs, "AUTH_PASSWORD"), Value(pairs, "AUTH_PBKDF2_SPEEDY_KEY"));
    } catch (const toolkit::Exception&) {
        // Malformed hex or block sizes are a failed logon, as on a real server.
    }
    if (!combo) return std::nullopt;

    std::vector<KeyValue> reply;
    reply.push_back({"AUTH_VERSION_NO", kVersionNumber, 0});
    reply.push_back({"AUTH_SESSION_ID", "101", 0});
    reply.push_back({"AUTH_SERIAL_NUM", "4242", 0});
    reply.push_back({"AUTH_VERSION_STRING", "- Test database over SQLite", 0});
    reply.push_back({"AUTH_VERSION_SQL", "13", 0});
    reply.push_back({"AUTH_INSTANCENAME", serviceName, 0});
    reply.push_back({"AUTH_DBNAME", Upper(serviceName), 0});
    reply.push_back({"AUTH_SC_SERVICE_NAME", serviceName, 0});
    reply.push_back({"AUTH_SC_DBUNIQUE_NAME", serviceName, 0});
    reply.push_back({"AUTH_SC_DB_DOMAIN", "", 0});
    reply.push_back({"AUTH_MAX_OPEN_CURSORS", "300", 0});
    reply.push_back({"AUTH_MAX_IDEN_LENGTH", "128", 0});
    reply.push_back({"AUTH_SVR_RESPONSE", MakeServerResponse(*combo, RandomBytes(16)), 0});
    return reply;
}

}  // namespace testdb::ttc
