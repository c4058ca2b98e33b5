// Logon known answers: fixed vectors, and the values recorded from real 11g and 23ai servers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "oracle/crypto/Crypto.h"
#include "oracle/crypto/Hex.h"
#include "oracle/crypto/O5Logon.h"
#include "oracle/wire/ByteReader.h"
#include "oracle/wire/Errors.h"
#include "support/Capture.h"

namespace oracle::crypto {
namespace {

Bytes Hex(std::string_view text) {
    auto bytes = HexDecode(text);
    EXPECT_TRUE(bytes) << text;
    return bytes.value_or(Bytes{});
}

Bytes Ramp(std::uint8_t from, std::size_t count) {
    Bytes out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(from + i);
    return out;
}

ByteView Text(std::string_view s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

TEST(Crypto, PrimitivesMatchStandardVectors) {
    EXPECT_EQ(HexEncode(Sha1(Text("abc"))), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(HexEncode(Md5(Text("abc"))), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(HexEncode(Sha512(Text("abc"))).substr(0, 32), "DDAF35A193617ABACC417349AE204131");
    // FIPS-197 appendix C.3 (one block, so CBC with a zero IV equals ECB).
    const auto key = Ramp(0, 32);
    const auto plain = Hex("00112233445566778899AABBCCDDEEFF");
    const auto cipher = AesCbcEncrypt(key, plain);
    EXPECT_EQ(HexEncode(cipher), "8EA2B7CA516745BFEAFC49904B496089");
    EXPECT_EQ(AesCbcDecrypt(key, cipher), plain);
    EXPECT_THROW(AesCbcEncrypt(Ramp(0, 20), plain), EOraProtocolError);
    EXPECT_THROW(AesCbcEncrypt(key, Ramp(0, 15)), EOraProtocolError);
    EXPECT_EQ(RandomBytes(32).size(), 32u);
    EXPECT_NE(RandomBytes(16), RandomBytes(16));
}

struct Vector {
    VerifierData verifier;
    Bytes serverPart, clientPart;
    std::string serverSessKey, clientSessKey, comboKey, password, speedyKey, svrResponse;
};

Vector Vector12c() {
    Vector v;
    v.verifier = {VerifierKind::V12c, Ramp(0x00, 16), Ramp(0x10, 16), 4096, 3};
    v.serverPart = Ramp(0x20, 32);
    v.clientPart = Ramp(0x40, 32);
    v.serverSessKey = "8FC52BCE61BFEFF534E855D78BDFBBA7696B981EC571C86BE7BD68B9E6DDD06E";
    v.clientSessKey = "45983C5722CD29597B7C90CB6CCE572835A763D2B5AFD066441A099561678553";
    v.comboKey = "36E60AA2B68E9480EBBBFB235DECDD52505726D7618C023E9EF6E46FA0CC6407";
    v.password = "7E0E82031050BA24678A4BC311CB7EA93A45204EBB6BB7C189B7CB774C360372";
    v.speedyKey =
        "CA17C7FE886B35714CE2E4C8E63CED574B35FEFA959D50344508F0A0FF96A215"
        "78CC43000CEE0034BF08137215CBE73D4ED89FBAC0BCB204103FA1D6558C05D7"
        "84E6D575906D03676CFDF854C32893F6";
    v.svrResponse =
        "7412538AF0EA2ED144FD92CEA219B35A338F943B9F02DFD9ABDA15A17C35C977B3BFBA4A5224FEC217D90BEDD23D6C2D";
    return v;
}

Vector Vector11g() {
    Vector v;
    v.verifier = {VerifierKind::V11g, Ramp(0x00, 10), {}, 0, 0};
    v.serverPart = Ramp(0x20, 48);
    v.clientPart = Ramp(0x60, 48);
    v.serverSessKey =
        "7B4269A9C207159A4AC40270D6DD624EBA287580A7D1A348B91F14EE48FF20AEEFCF52A2EB1CC6CBAEA6E25F94198F88";
    v.clientSessKey =
        "18C82D56A12E76168860FD3F0108FC23E896C242AE89DF2DBEE9579A2C1ECB8D94DAE38A3EE0201F0991E626C3B36DA3";
    v.comboKey = "AECE55976567DDA7F5D0A45BC2BB600F742746803F4CB80A";
    v.password = "DF9D9153AF0B2650F9CFD2B73D5983AA916700E9375CDA6E2B3EEF37471E9CE4";
    v.svrResponse =
        "1DFAE30FBE64F2C7FFEA2AE3F67E28AC9F5741CD97DD2389887662A508EE512D11C4A98067BDB533F32E1A4B6CDE509E";
    return v;
}

TEST(O5Logon, BothEndsReproduceTheFixedVectors) {
    for (const auto& v : {Vector12c(), Vector11g()}) {
        const std::string password = "Secret#123";
        const auto keys = DerivePasswordKeys(password, v.verifier);
        if (v.verifier.kind == VerifierKind::V12c) {
            EXPECT_EQ(HexEncode(keys.aesKey), "904255B85545794AAE87BDF6CE48A5A3703BE49DCD7ADD6AB3180164BEFE6186");
        } else {
            EXPECT_EQ(HexEncode(keys.aesKey), "957C081BF21F80C045EE08E4FE1DB08583FBAC7E00000000");
        }
        const auto challenge = MakeServerChallenge(keys, v.serverPart);
        EXPECT_EQ(challenge.sessKeyHex, v.serverSessKey);

        const ClientRandom random{v.clientPart, Ramp(0xA0, 16), Ramp(0xB0, 16)};
        const auto auth = ComputeClientAuth(password, v.verifier, challenge.sessKeyHex, random);
        EXPECT_EQ(auth.sessKeyHex, v.clientSessKey);
        EXPECT_EQ(HexEncode(auth.comboKey), v.comboKey);
        EXPECT_EQ(auth.passwordHex, v.password);
        EXPECT_EQ(auth.speedyKeyHex, v.speedyKey);

        const auto combo = VerifyClientLogon(password, v.verifier, keys, challenge.serverPart, auth.sessKeyHex,
                                             auth.passwordHex, auth.speedyKeyHex);
        ASSERT_TRUE(combo);
        EXPECT_EQ(HexEncode(*combo), v.comboKey);
        EXPECT_EQ(MakeServerResponse(*combo, Ramp(0xC0, 16)), v.svrResponse);
        EXPECT_TRUE(ServerResponseValid(auth.comboKey, v.svrResponse));

        // A server that does not know the password cannot produce the proof; a client that does
        // not know it is refused.
        const auto wrongKeys = DerivePasswordKeys("secret#123", v.verifier);
        const auto wrong = ComputeClientAuth("secret#123", v.verifier, challenge.sessKeyHex, random);
        EXPECT_FALSE(ServerResponseValid(wrong.comboKey, v.svrResponse));
        EXPECT_FALSE(VerifyClientLogon(password, v.verifier, keys, challenge.serverPart, wrong.sessKeyHex,
                                       wrong.passwordHex, wrong.speedyKeyHex));
        EXPECT_FALSE(ServerResponseValid(auth.comboKey, "00"));
        (void)wrongKeys;
    }
}

TEST(O5Logon, VerifierTypes) {
    EXPECT_EQ(KindOfVerifier(0x4815), VerifierKind::V12c);
    EXPECT_EQ(KindOfVerifier(0xB152), VerifierKind::V11g);
    EXPECT_EQ(KindOfVerifier(0x1B25), VerifierKind::V11g);
    try {
        KindOfVerifier(0x0939);
        FAIL() << "10g verifier accepted";
    } catch (const EOraNotSupported& e) {
        EXPECT_NE(std::string(e.what()).find("10g"), std::string::npos);
    }
    EXPECT_THROW(KindOfVerifier(0x1E81), EOraNotSupported);
}

// Eight session keys from real 11g servers decrypt to 40 random bytes and eight bytes of 0x08.
TEST(O5Logon, Real11gServerSessionKeysDecryptToPaddedKeys) {
    const auto dir = test::FixturesDir();
    if (dir.empty()) GTEST_SKIP() << "fixtures not present";
    std::ifstream in(dir / "o5logon-11g" / "server_sesskey_vectors.txt");
    ASSERT_TRUE(in);
    std::string line;
    int checked = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string keyAndSalt, password;
        fields >> keyAndSalt >> password;
        const auto star = keyAndSalt.find('*');
        const VerifierData v{VerifierKind::V11g, Hex(keyAndSalt.substr(star + 1)), {}, 0, 0};
        const auto part = DecryptSessionKeyPart(DerivePasswordKeys(password, v), keyAndSalt.substr(0, star));
        ASSERT_EQ(part.size(), 48u);
        EXPECT_EQ(Bytes(part.begin() + 40, part.end()), Bytes(8, 0x08)) << line;
        ++checked;
    }
    EXPECT_EQ(checked, 8);
}

// Values of a logon as OCI clients write them: a 4-byte little-endian length, then a CLR whose
// long form uses one-byte chunk lengths.
std::string OciValueAfter(const std::vector<std::uint8_t>& stream, std::string_view key) {
    const std::string needle(key);
    auto it = std::search(stream.begin(), stream.end(), needle.begin(), needle.end());
    if (it == stream.end()) return {};
    std::size_t at = static_cast<std::size_t>(it - stream.begin()) + key.size() + 4;
    std::string value;
    if (stream.at(at) != 0xFE) return std::string(stream.begin() + at + 1, stream.begin() + at + 1 + stream[at]);
    for (++at; stream.at(at) != 0; at += 1 + stream[at]) value.append(stream.begin() + at + 1, stream.begin() + at + 1 + stream[at]);
    return value;
}

TEST(O5Logon, Real11gSessionsProveBothSides) {
    const auto dir = test::FixturesDir();
    if (dir.empty()) GTEST_SKIP() << "fixtures not present";
    struct Session {
        const char* file;
        const char* password;
    };
    for (const auto& s : {Session{"Oracle-openwall-1.pcap", "openwall"}, Session{"Oracle-1.pcap", "password"}}) {
        const auto connections = test::ReadCapture(dir / "o5logon-11g" / s.file);
        ASSERT_FALSE(connections.empty());
        const auto& c = connections.front();
        const VerifierData v{VerifierKind::V11g, Hex(OciValueAfter(c.toClient, "AUTH_VFR_DATA")), {}, 0, 0};
        const auto keys = DerivePasswordKeys(s.password, v);
        const auto serverPart = DecryptSessionKeyPart(keys, OciValueAfter(c.toClient, "AUTH_SESSKEY"));
        EXPECT_EQ(Bytes(serverPart.begin() + 40, serverPart.end()), Bytes(8, 0x08)) << s.file;
        const auto clientPart = DecryptSessionKeyPart(keys, OciValueAfter(c.toServer, "AUTH_SESSKEY"));
        const auto combo = CombinedKey(v, clientPart, serverPart);
        EXPECT_TRUE(ServerResponseValid(combo, OciValueAfter(c.toClient, "AUTH_SVR_RESPONSE"))) << s.file;
        const auto sent = DecryptSalted(combo, OciValueAfter(c.toServer, "AUTH_PASSWORD"));
        ASSERT_TRUE(sent) << s.file;
        EXPECT_EQ(std::string(sent->begin(), sent->end()), s.password);
    }
}

// The DATA payloads of one direction joined into the TTC stream.
std::vector<std::uint8_t> TtcStream(const test::RecordedConnection& c, test::Direction direction) {
    std::vector<std::uint8_t> out;
    for (const auto& p : c.packets) {
        if (p.direction == direction && p.packet.type == wire::PacketType::Data) {
            const auto payload = p.packet.DataPayload();
            out.insert(out.end(), payload.begin(), payload.end());
        }
    }
    return out;
}

struct Pair {
    std::string value;
    std::uint32_t flags = 0;
};

// A key/value pair as thin clients and 23ai servers write it (compressed integers, LCLR strings).
Pair ValueAfter(const std::vector<std::uint8_t>& stream, std::string_view key) {
    const std::string needle(key);
    for (auto it = stream.begin(); (it = std::search(it, stream.end(), needle.begin(), needle.end())) != stream.end(); ++it) {
        const auto at = static_cast<std::size_t>(it - stream.begin());
        if (at == 0 || stream[at - 1] != key.size()) continue;  // a longer key containing this one
        wire::ByteReader r(std::span<const std::uint8_t>(stream).subspan(at + key.size()));
        Pair p;
        p.value = r.Lclr();
        p.flags = r.UB4();
        return p;
    }
    return {};
}

TEST(O5Logon, Real23aiSessionsProveBothSidesWithPasswordOracle) {
    const auto dir = test::FixturesDir();
    if (dir.empty()) GTEST_SKIP() << "fixtures not present";
    int sessions = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "server-23ai")) {
        for (const auto& c : test::ReadCapture(entry.path())) {
            const auto fromServer = TtcStream(c, test::Direction::ToClient);
            const auto fromClient = TtcStream(c, test::Direction::ToServer);
            const auto vfr = ValueAfter(fromServer, "AUTH_VFR_DATA");
            if (vfr.value.empty()) continue;
            SCOPED_TRACE(entry.path().filename().string());
            ASSERT_EQ(KindOfVerifier(vfr.flags), VerifierKind::V12c);
            VerifierData v{VerifierKind::V12c, Hex(vfr.value), Hex(ValueAfter(fromServer, "AUTH_PBKDF2_CSK_SALT").value),
                           static_cast<std::uint32_t>(std::stoul(ValueAfter(fromServer, "AUTH_PBKDF2_VGEN_COUNT").value)),
                           static_cast<std::uint32_t>(std::stoul(ValueAfter(fromServer, "AUTH_PBKDF2_SDER_COUNT").value))};
            EXPECT_EQ(v.vgenCount, 4096u);
            EXPECT_EQ(v.sderCount, 3u);
            const auto keys = DerivePasswordKeys("oracle", v);
            const auto serverPart = DecryptSessionKeyPart(keys, ValueAfter(fromServer, "AUTH_SESSKEY").value);
            const auto clientPart = DecryptSessionKeyPart(keys, ValueAfter(fromClient, "AUTH_SESSKEY").value);
            ASSERT_EQ(serverPart.size(), 32u);
            const auto combo = CombinedKey(v, clientPart, serverPart);
            EXPECT_TRUE(ServerResponseValid(combo, ValueAfter(fromServer, "AUTH_SVR_RESPONSE").value));
            // The recorded client proof is accepted by our server-side check.
            EXPECT_TRUE(VerifyClientLogon("oracle", v, keys, serverPart, ValueAfter(fromClient, "AUTH_SESSKEY").value,
                                          ValueAfter(fromClient, "AUTH_PASSWORD").value,
                                          ValueAfter(fromClient, "AUTH_PBKDF2_SPEEDY_KEY").value));
            // Our own client half under the recorded server key decrypts back to the password.
            const auto ours = ComputeClientAuth("oracle", v, ValueAfter(fromServer, "AUTH_SESSKEY").value,
                                                ClientRandom::Fresh(v.kind));
            EXPECT_TRUE(VerifyClientLogon("oracle", v, keys, serverPart, ours.sessKeyHex, ours.passwordHex,
                                          ours.speedyKeyHex));
            EXPECT_FALSE(VerifyClientLogon("oracl3", v, keys, serverPart, ours.sessKeyHex, ours.passwordHex,
                                           ours.speedyKeyHex));
            ++sessions;
        }
    }
    EXPECT_GE(sessions, 5);
}

}  // namespace
}  // namespace oracle::crypto
