#pragma once
// The O5LOGON computations of both ends, written once. The server's phase-one reply names a
// verifier type and its salts; both sides derive a password key from the password and the salt,
// exchange AES-encrypted random halves of a session key, and combine the halves into one key
// that encrypts the password (client to server) and the proof AUTH_SVR_RESPONSE (server to
// client, "SERVER_TO_CLIENT" after 16 random bytes).
//
// Client:
//   VerifierData v{KindOfVerifier(flags), salt, cskSalt, vgen, sder};
//   auto auth = ComputeClientAuth(password, v, serverSessKeyHex, ClientRandom::Fresh(v.kind));
//   ... send auth.sessKeyHex, auth.speedyKeyHex (12c), auth.passwordHex ...
//   if (!ServerResponseValid(auth.comboKey, svrResponseHex)) refuse the server;
// Server:
//   auto keys = DerivePasswordKeys(password, v);
//   auto challenge = MakeServerChallenge(keys, RandomBytes(SessionKeyPartSize(v.kind)));
//   ... send challenge.sessKeyHex ...
//   auto combo = VerifyClientLogon(password, v, keys, challenge.serverPart, clientSessKeyHex, passwordHex, speedyHex);
//   if (combo) reply MakeServerResponse(*combo, RandomBytes(16)); else ORA-01017.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "oracle/crypto/Crypto.h"

namespace oracle::crypto {

constexpr std::uint32_t kVerifier10g = 0x0939;
constexpr std::uint32_t kVerifier11gA = 0xB152;
constexpr std::uint32_t kVerifier11gB = 0x1B25;
constexpr std::uint32_t kVerifier12c = 0x4815;

enum class VerifierKind { V11g, V12c };

// Raises EOraNotSupported for the 10g verifier and for types this logon does not know.
VerifierKind KindOfVerifier(std::uint32_t verifierType);

struct VerifierData {
    VerifierKind kind = VerifierKind::V12c;
    Bytes salt;                     // AUTH_VFR_DATA
    Bytes cskSalt;                  // AUTH_PBKDF2_CSK_SALT (12c)
    std::uint32_t vgenCount = 4096;  // AUTH_PBKDF2_VGEN_COUNT (12c)
    std::uint32_t sderCount = 3;     // AUTH_PBKDF2_SDER_COUNT (12c)
};

struct PasswordKeys {
    Bytes passwordKey;  // 12c: 64 bytes of PBKDF2; empty for 11g
    Bytes aesKey;       // encrypts the session-key halves: 32 bytes (12c) or 24 (11g)
};

PasswordKeys DerivePasswordKeys(std::string_view password, const VerifierData& verifier);

// 32 bytes for 12c, 48 for 11g.
std::size_t SessionKeyPartSize(VerifierKind kind);
Bytes EncryptSessionKeyPart(const PasswordKeys& keys, ByteView part);
// Raises EOraProtocolError when the text is not hex or not whole AES blocks.
Bytes DecryptSessionKeyPart(const PasswordKeys& keys, std::string_view encryptedHex);
Bytes CombinedKey(const VerifierData& verifier, ByteView clientPart, ByteView serverPart);

// AES-CBC(key, PKCS-pad(prefix || secret)); prefix is 16 random bytes.
Bytes EncryptSalted(ByteView key, ByteView prefix, ByteView secret);
// Inverse of EncryptSalted; nothing when the padding is wrong (as a wrong key makes it).
std::optional<Bytes> DecryptSalted(ByteView key, std::string_view cipherHex);

struct ClientRandom {
    Bytes clientPart;    // SessionKeyPartSize bytes
    Bytes passwordSalt;  // 16 bytes in front of the password
    Bytes speedySalt;    // 16 bytes in front of the 12c password key
    static ClientRandom Fresh(VerifierKind kind);
};

struct ClientAuth {
    std::string sessKeyHex;    // AUTH_SESSKEY
    std::string passwordHex;   // AUTH_PASSWORD
    std::string speedyKeyHex;  // AUTH_PBKDF2_SPEEDY_KEY, 12c only
    Bytes comboKey;
};

ClientAuth ComputeClientAuth(std::string_view password, const VerifierData& verifier, std::string_view serverSessKeyHex,
                             const ClientRandom& random);
// True when AUTH_SVR_RESPONSE decrypts to 16 bytes then "SERVER_TO_CLIENT".
bool ServerResponseValid(ByteView comboKey, std::string_view responseHex);

struct ServerChallenge {
    Bytes serverPart;
    std::string sessKeyHex;  // AUTH_SESSKEY to send
};

ServerChallenge MakeServerChallenge(const PasswordKeys& keys, Bytes serverPart);
// The combined key when the client proved the password (and, for 12c, the password key); else nothing.
std::optional<Bytes> VerifyClientLogon(std::string_view password, const VerifierData& verifier,
                                       const PasswordKeys& keys, ByteView serverPart,
                                       std::string_view clientSessKeyHex, std::string_view passwordHex,
                                       std::string_view speedyKeyHex);
std::string MakeServerResponse(ByteView comboKey, ByteView prefix);

}  // namespace oracle::crypto
