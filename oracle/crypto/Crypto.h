#pragma once
// The few primitives the logon needs, behind one interface: OpenSSL natively, Windows CNG
// (bcrypt) in the Windows build. AES is CBC with an all-zero IV and no padding: callers apply
// and strip padding themselves, as the logon protocol requires.
//
//   auto key = crypto::Pbkdf2HmacSha512(password, salt, 4096, 64);
//   auto plain = crypto::AesCbcDecrypt(key32, cipher);   // key length picks AES-128/192/256
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace oracle::crypto {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

Bytes Sha1(ByteView data);
Bytes Sha512(ByteView data);
Bytes Md5(ByteView data);
Bytes Pbkdf2HmacSha512(ByteView password, ByteView salt, std::uint32_t iterations, std::size_t length);
// Key of 16, 24 or 32 bytes; data a multiple of 16 bytes. Raises EOraProtocolError otherwise.
Bytes AesCbcEncrypt(ByteView key, ByteView data);
Bytes AesCbcDecrypt(ByteView key, ByteView data);
// From the system's cryptographic random source.
Bytes RandomBytes(std::size_t count);

}  // namespace oracle::crypto
