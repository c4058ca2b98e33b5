// Windows CNG implementation of the crypto interface: no library beyond the system's bcrypt.dll.
#include <windows.h>
#include <bcrypt.h>

#include <string>

#include "oracle/crypto/Crypto.h"
#include "oracle/wire/Errors.h"

namespace oracle::crypto {
namespace {

[[noreturn]] void Fail(const char* what, NTSTATUS status) {
    ThrowProtocol(std::string("cryptographic operation failed: ") + what + " (status " +
                  std::to_string(static_cast<unsigned long>(status)) + ")");
}

void Check(NTSTATUS status, const char* what) {
    if (!BCRYPT_SUCCESS(status)) Fail(what, status);
}

class Algorithm {
public:
    Algorithm(LPCWSTR id, ULONG flags) { Check(BCryptOpenAlgorithmProvider(&handle_, id, nullptr, flags), "open"); }
    ~Algorithm() { BCryptCloseAlgorithmProvider(handle_, 0); }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE Get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Hash {
public:
    explicit Hash(const Algorithm& algorithm) {
        Check(BCryptCreateHash(algorithm.Get(), &handle_, nullptr, 0, nullptr, 0, 0), "create hash");
    }
    ~Hash() { BCryptDestroyHash(handle_); }
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;
    BCRYPT_HASH_HANDLE Get() const { return handle_; }

private:
    BCRYPT_HASH_HANDLE handle_ = nullptr;
};

class Key {
public:
    Key(const Algorithm& algorithm, ByteView secret) {
        Check(BCryptGenerateSymmetricKey(algorithm.Get(), &handle_, nullptr, 0, const_cast<PUCHAR>(secret.data()),
                                         static_cast<ULONG>(secret.size()), 0),
              "AES key");
    }
    ~Key() { BCryptDestroyKey(handle_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    BCRYPT_KEY_HANDLE Get() const { return handle_; }

private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

Bytes Digest(LPCWSTR id, std::size_t size, ByteView data) {
    Algorithm algorithm(id, 0);
    Hash hash(algorithm);
    Check(BCryptHashData(hash.Get(), const_cast<PUCHAR>(data.data()), static_cast<ULONG>(data.size()), 0), "hash");
    Bytes out(size);
    Check(BCryptFinishHash(hash.Get(), out.data(), static_cast<ULONG>(out.size()), 0), "finish hash");
    return out;
}

Bytes Aes(ByteView key, ByteView data, bool encrypt) {
    if (data.size() % 16 != 0) ThrowProtocol("AES data is not a whole number of blocks");
    if (key.size() != 16 && key.size() != 24 && key.size() != 32) {
        ThrowProtocol("AES key of " + std::to_string(key.size()) + " bytes");
    }
    Algorithm algorithm(BCRYPT_AES_ALGORITHM, 0);
    Check(BCryptSetProperty(algorithm.Get(), BCRYPT_CHAINING_MODE,
                            reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC)),
                            sizeof(BCRYPT_CHAIN_MODE_CBC), 0),
          "CBC mode");
    Key handle(algorithm, key);
    UCHAR iv[16] = {};
    Bytes out(data.size());
    ULONG written = 0;
    const auto input = const_cast<PUCHAR>(data.data());
    const auto length = static_cast<ULONG>(data.size());
    const NTSTATUS status =
        encrypt ? BCryptEncrypt(handle.Get(), input, length, nullptr, iv, sizeof iv, out.data(), length, &written, 0)
                : BCryptDecrypt(handle.Get(), input, length, nullptr, iv, sizeof iv, out.data(), length, &written, 0);
    Check(status, encrypt ? "AES encrypt" : "AES decrypt");
    out.resize(written);
    return out;
}

}  // namespace

Bytes Sha1(ByteView data) { return Digest(BCRYPT_SHA1_ALGORITHM, 20, data); }
Bytes Sha512(ByteView data) { return Digest(BCRYPT_SHA512_ALGORITHM, 64, data); }
Bytes Md5(ByteView data) { return Digest(BCRYPT_MD5_ALGORITHM, 16, data); }

Bytes Pbkdf2HmacSha512(ByteView password, ByteView salt, std::uint32_t iterations, std::size_t length) {
    Algorithm algorithm(BCRYPT_SHA512_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    Bytes out(length);
    Check(BCryptDeriveKeyPBKDF2(algorithm.Get(), const_cast<PUCHAR>(password.data()),
                                static_cast<ULONG>(password.size()), const_cast<PUCHAR>(salt.data()),
                                static_cast<ULONG>(salt.size()), iterations, out.data(),
                                static_cast<ULONG>(out.size()), 0),
          "PBKDF2");
    return out;
}

Bytes AesCbcEncrypt(ByteView key, ByteView data) { return Aes(key, data, true); }
Bytes AesCbcDecrypt(ByteView key, ByteView data) { return Aes(key, data, false); }

Bytes RandomBytes(std::size_t count) {
    Bytes out(count);
    if (count > 0) {
        Check(BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG),
              "random bytes");
    }
    return out;
}

}  // namespace oracle::crypto
