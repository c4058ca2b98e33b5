#pragma once
// Upper-case hex text, as the logon key/value pairs carry their binary values.
#include <optional>
#include <string>
#include <string_view>

#include "oracle/crypto/Crypto.h"

namespace oracle::crypto {

std::string HexEncode(ByteView bytes);
// Nothing when the text has odd length or a non-hex character.
std::optional<Bytes> HexDecode(std::string_view text);

}  // namespace oracle::crypto
