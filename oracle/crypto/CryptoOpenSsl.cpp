// OpenSSL implementation of the crypto interface (native builds).
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>
#include <string>

#include "oracle/crypto/Crypto.h"
#include "oracle/wire/Errors.h"

namespace oracle::crypto {
namespace {

[[noreturn]] void Fail(const char* what) { ThrowProtocol(std::string("cryptographic operation failed: ") + what); }

Bytes Digest(const EVP_MD* md, ByteView data) {
    Bytes out(static_cast<std::size_t>(EVP_MD_get_size(md)));
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1) Fail("digest");
    out.resize(length);
    return out;
}

const EVP_CIPHER* CipherFor(ByteView key, ByteView data) {
    if (data.size() % 16 != 0) ThrowProtocol("AES data is not a whole number of blocks");
    switch (key.size()) {
        case 16: return EVP_aes_128_cbc();
        case 24: return EVP_aes_192_cbc();
        case 32: return EVP_aes_256_cbc();
        default: ThrowProtocol("AES key of " + std::to_string(key.size()) + " bytes");
    }
}

Bytes Aes(ByteView key, ByteView data, int encrypt) {
    const auto* cipher = CipherFor(key, data);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    const unsigned char iv[16] = {};
    if (!ctx || EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), iv, encrypt) != 1) Fail("AES init");
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    Bytes out(data.size() + 16);
    int n = 0;
    int tail = 0;
    if (EVP_CipherUpdate(ctx.get(), out.data(), &n, data.data(), static_cast<int>(data.size())) != 1) Fail("AES");
    if (EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail) != 1) Fail("AES final");
    out.resize(static_cast<std::size_t>(n + tail));
    return out;
}

}  // namespace

Bytes Sha1(ByteView data) { return Digest(EVP_sha1(), data); }
Bytes Sha512(ByteView data) { return Digest(EVP_sha512(), data); }
Bytes Md5(ByteView data) { return Digest(EVP_md5(), data); }

Bytes Pbkdf2HmacSha512(ByteView password, ByteView salt, std::uint32_t iterations, std::size_t length) {
    Bytes out(length);
    if (PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password.data()), static_cast<int>(password.size()),
                          salt.data(), static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha512(),
                          static_cast<int>(length), out.data()) != 1) {
        Fail("PBKDF2");
    }
    return out;
}

Bytes AesCbcEncrypt(ByteView key, ByteView data) { return Aes(key, data, 1); }
Bytes AesCbcDecrypt(ByteView key, ByteView data) { return Aes(key, data, 0); }

Bytes RandomBytes(std::size_t count) {
    Bytes out(count);
    if (count > 0 && RAND_bytes(out.data(), static_cast<int>(count)) != 1) Fail("random bytes");
    return out;
}

}  // namespace oracle::crypto
