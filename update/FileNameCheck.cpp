// Names from the database decide which files the update writes and renames, so only a plain file
// name inside the program folder is accepted.
#include <algorithm>
#include <array>

#include "app/DozevedAzovu_f.h"

namespace {

constexpr std::size_t kMaxFileNameLength = 255;

char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// Device names that Windows reserves in every folder, with or without an extension.
bool IsReservedDeviceName(toolkit::StringView name) {
    toolkit::StringView stem = name.substr(0, name.find(u'.'));
    while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
    toolkit::String upper(stem);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char16_t c) { return UpperAscii(c); });
    static constexpr std::array<toolkit::StringView, 6> kFixed = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$",
                                                                  u"CONOUT$"};
    if (std::find(kFixed.begin(), kFixed.end(), upper) != kFixed.end()) return true;
    return upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) && upper[3] >= u'0' &&
           upper[3] <= u'9';
}

}  // namespace

bool TfDozevedAzovu::IsPlainFileName(toolkit::StringView name) {
    if (name.empty() || name.size() > kMaxFileNameLength) return false;
    if (name == u"." || name == u"..") return false;
    if (name.back() == u'.' || name.back() == u' ') return false;
    const bool badCharacter = std::any_of(name.begin(), name.end(), [](char16_t c) {
        return c < 0x20 || c == 0x7F || toolkit::StringView(u"\\/:*?\"<>|").find(c) != toolkit::StringView::npos;
    });
    return !badCharacter && !IsReservedDeviceName(name);
}
