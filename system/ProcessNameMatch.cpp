#include "app/DozevedAzovu_f.h"

#include <algorithm>

namespace {

bool EqualIgnoringAsciiCase(toolkit::StringView a, toolkit::StringView b) {
    const auto upper = [](char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return upper(x) == upper(y); });
}

}  // namespace

bool TfDozevedAzovu::ExecutableNameMatches(toolkit::StringView exeFile, toolkit::StringView name) {
    const auto separator = exeFile.find_last_of(u"\\:");
    const toolkit::StringView fileName = separator == toolkit::StringView::npos ? exeFile : exeFile.substr(separator + 1);
    return EqualIgnoringAsciiCase(fileName, name) || EqualIgnoringAsciiCase(exeFile, name);
}
