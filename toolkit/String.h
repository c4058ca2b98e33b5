#pragma once
// Text in the toolkit is UTF-16 on every platform, as Windows keeps it.
#include <cstdint>
#include <string>
#include <string_view>

namespace toolkit {

using String = std::u16string;
using StringView = std::u16string_view;

// Conversions for text that crosses into byte-oriented APIs (sockets, logs, POSIX paths).
// Invalid input is replaced by U+FFFD rather than rejected: the text is for people.
String Utf8ToString(std::string_view utf8);
std::string StringToUtf8(StringView text);

String IntToStr(std::int32_t value);

}  // namespace toolkit
