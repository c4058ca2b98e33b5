#include "oracle/crypto/O5Logon.h"

#include <algorithm>

#include "oracle/crypto/Hex.h"
#include "oracle/wire/Errors.h"

namespace oracle::crypto {
namespace {

constexpr std::string_view kSpeedyKeySuffix = "AUTH_PBKDF2_SPEEDY_KEY";
constexpr std::string_view kServerProof = "SERVER_TO_CLIENT";

ByteView AsBytes(std::string_view text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

Bytes Concat(ByteView a, ByteView b) {
    Bytes out(a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

Bytes Pad(ByteView data) {
    Bytes out(data.begin(), data.end());
    const auto n = static_cast<std::uint8_t>(16 - data.size() % 16);
    out.insert(out.end(), n, n);
    return out;
}

Bytes DecodeHexOrThrow(std::string_view text, const char* what) {
    auto bytes = HexDecode(text);
    if (!bytes) ThrowProtocol(std::string(what) + " is not hex text");
    return std::move(*bytes);
}

}  // namespace

VerifierKind KindOfVerifier(std::uint32_t type) {
    switch (type) {
        case kVerifier12c: return VerifierKind::V12c;
        case kVerifier11gA:
        case kVerifier11gB: return VerifierKind::V11g;
        case kVerifier10g:
            throw EOraNotSupported(
                u"the account has only the 10g password verifier, which Direct mode does not support; "
                u"reset its password on a server with case-sensitive logon to create an 11g/12c verifier");
        default:
            throw EOraNotSupported(toolkit::Utf8ToString("password verifier type 0x" + HexEncode(Bytes{
                static_cast<std::uint8_t>(type >> 8), static_cast<std::uint8_t>(type)}) + " is not supported"));
    }
}

PasswordKeys DerivePasswordKeys(std::string_view password, const VerifierData& v) {
    PasswordKeys keys;
    if (v.kind == VerifierKind::V12c) {
        keys.passwordKey = Pbkdf2HmacSha512(AsBytes(password), Concat(v.salt, AsBytes(kSpeedyKeySuffix)), v.vgenCount, 64);
        auto hash = Sha512(Concat(keys.passwordKey, v.salt));
        keys.aesKey.assign(hash.begin(), hash.begin() + 32);
    } else {
        keys.aesKey = Sha1(Concat(AsBytes(password), v.salt));
        keys.aesKey.resize(24, 0);
    }
    return keys;
}

std::size_t SessionKeyPartSize(VerifierKind kind) { return kind == VerifierKind::V12c ? 32 : 48; }

Bytes EncryptSessionKeyPart(const PasswordKeys& keys, ByteView part) { return AesCbcEncrypt(keys.aesKey, part); }

Bytes DecryptSessionKeyPart(const PasswordKeys& keys, std::string_view encryptedHex) {
    const auto cipher = DecodeHexOrThrow(encryptedHex, "AUTH_SESSKEY");
    if (cipher.empty() || cipher.size() % 16 != 0) ThrowProtocol("AUTH_SESSKEY is not whole AES blocks");
    return AesCbcDecrypt(keys.aesKey, cipher);
}

Bytes CombinedKey(const VerifierData& v, ByteView clientPart, ByteView serverPart) {
    if (v.kind == VerifierKind::V12c) {
        const auto text = HexEncode(Concat(clientPart, serverPart));
        return Pbkdf2HmacSha512(AsBytes(text), v.cskSalt, v.sderCount, 32);
    }
    if (clientPart.size() < 40 || serverPart.size() < 40) ThrowProtocol("11g session key halves are too short");
    Bytes x(24);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = serverPart[16 + i] ^ clientPart[16 + i];
    auto key = Md5(ByteView(x).first(16));
    const auto tail = Md5(ByteView(x).subspan(16));
    key.insert(key.end(), tail.begin(), tail.end());
    key.resize(24);
    return key;
}

Bytes EncryptSalted(ByteView key, ByteView prefix, ByteView secret) {
    return AesCbcEncrypt(key, Pad(Concat(prefix, secret)));
}

std::optional<Bytes> DecryptSalted(ByteView key, std::string_view cipherHex) {
    const auto cipher = HexDecode(cipherHex);
    if (!cipher || cipher->size() < 32 || cipher->size() % 16 != 0) return std::nullopt;
    auto plain = AesCbcDecrypt(key, *cipher);
    const auto n = plain.back();
    if (n < 1 || n > 16 || plain.size() < 16u + n) return std::nullopt;
    if (!std::all_of(plain.end() - n, plain.end(), [n](std::uint8_t b) { return b == n; })) return std::nullopt;
    return Bytes(plain.begin() + 16, plain.end() - n);
}

ClientRandom ClientRandom::Fresh(VerifierKind kind) {
    return {RandomBytes(SessionKeyPartSize(kind)), RandomBytes(16), RandomBytes(16)};
}

ClientAuth ComputeClientAuth(std::string_view password, const VerifierData& v, std::string_view serverSessKeyHex,
                             const ClientRandom& random) {
    const auto keys = DerivePasswordKeys(password, v);
    const auto serverPart = DecryptSessionKeyPart(keys, serverSessKeyHex);
    if (serverPart.size() != SessionKeyPartSize(v.kind)) ThrowProtocol("AUTH_SESSKEY has an unexpected length");
    ClientAuth auth;
    auth.sessKeyHex = HexEncode(EncryptSessionKeyPart(keys, random.clientPart));
    auth.comboKey = CombinedKey(v, random.clientPart, serverPart);
    auth.passwordHex = HexEncode(EncryptSalted(auth.comboKey, random.passwordSalt, AsBytes(password)));
    if (v.kind == VerifierKind::V12c) {
        auto speedy = EncryptSalted(auth.comboKey, random.speedySalt, keys.passwordKey);
        speedy.resize(80);
        auth.speedyKeyHex = HexEncode(speedy);
    }
    return auth;
}

bool ServerResponseValid(ByteView comboKey, std::string_view responseHex) {
    const auto cipher = HexDecode(responseHex);
    if (!cipher || cipher->size() < 32 || cipher->size() % 16 != 0) return false;
    const auto plain = AesCbcDecrypt(comboKey, *cipher);
    return std::equal(kServerProof.begin(), kServerProof.end(), plain.begin() + 16);
}

ServerChallenge MakeServerChallenge(const PasswordKeys& keys, Bytes serverPart) {
    ServerChallenge challenge;
    challenge.sessKeyHex = HexEncode(EncryptSessionKeyPart(keys, serverPart));
    challenge.serverPart = std::move(serverPart);
    return challenge;
}

std::optional<Bytes> VerifyClientLogon(std::string_view password, const VerifierData& v, const PasswordKeys& keys,
                                       ByteView serverPart, std::string_view clientSessKeyHex,
                                       std::string_view passwordHex, std::string_view speedyKeyHex) {
    const auto clientCipher = HexDecode(clientSessKeyHex);
    if (!clientCipher || clientCipher->size() != SessionKeyPartSize(v.kind)) return std::nullopt;
    const auto clientPart = AesCbcDecrypt(keys.aesKey, *clientCipher);
    auto combo = CombinedKey(v, clientPart, serverPart);
    const auto sent = DecryptSalted(combo, passwordHex);
    if (!sent || !std::equal(sent->begin(), sent->end(), password.begin(), password.end())) return std::nullopt;
    if (v.kind == VerifierKind::V12c) {
        const auto speedy = HexDecode(speedyKeyHex);
        if (!speedy || speedy->size() != 80) return std::nullopt;
        const auto plain = AesCbcDecrypt(combo, *speedy);
        if (!std::equal(plain.begin() + 16, plain.end(), keys.passwordKey.begin(), keys.passwordKey.end())) {
            return std::nullopt;
        }
    }
    return combo;
}

std::string MakeServerResponse(ByteView comboKey, ByteView prefix) {
    return HexEncode(EncryptSalted(comboKey, prefix, AsBytes(kServerProof)));
}

}  // namespace oracle::crypto
