#pragma once
#include <cstdint>

#include "toolkit/String.h"

namespace toolkit {

// Integer from text: leading spaces, an optional sign, then decimal digits or, after "$", "x", "X",
// "0x" or "0X", up to 32 bits of hexadecimal taken as a signed value. Nothing may follow the digits.
// Anything else raises EConvertError.
std::int32_t StrToInt(StringView text);

}  // namespace toolkit
