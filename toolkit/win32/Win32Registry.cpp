#include "toolkit/win32/Win32Os.h"

#include "toolkit/win32/Wide.h"

namespace toolkit::win32 {
namespace {

HKEY ToHkey(RootKey root) { return root == RootKey::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
REGSAM ToSam(KeyAccess access) { return access == KeyAccess::All ? KEY_ALL_ACCESS : KEY_READ; }
HKEY ToHkey(KeyHandle key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

RegStatus Win32Registry::OpenKey(RootKey root, const String& path, KeyAccess access, KeyHandle& key) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(ToHkey(root), Wide(path), 0, ToSam(access), &opened);
    if (status == ERROR_SUCCESS) key = reinterpret_cast<KeyHandle>(opened);
    return status;
}

RegStatus Win32Registry::CreateKey(RootKey root, const String& path, KeyHandle& key) {
    HKEY created = nullptr;
    const LSTATUS status = RegCreateKeyExW(ToHkey(root), Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &created, nullptr);
    if (status == ERROR_SUCCESS) key = reinterpret_cast<KeyHandle>(created);
    return status;
}

RegStatus Win32Registry::QueryValue(KeyHandle key, const String& name, std::uint32_t& type,
                                    std::vector<std::uint8_t>& data) {
    // The value may grow between the two calls; ask again until the data fits.
    for (;;) {
        DWORD size = 0;
        DWORD valueType = REG_NONE;
        LSTATUS status = RegQueryValueExW(ToHkey(key), Wide(name), nullptr, &valueType, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        data.assign(size, 0);
        status = RegQueryValueExW(ToHkey(key), Wide(name), nullptr, &valueType, data.data(), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return status;
        data.resize(size);
        type = valueType;
        return ERROR_SUCCESS;
    }
}

RegStatus Win32Registry::SetValue(KeyHandle key, const String& name, std::uint32_t type,
                                  std::span<const std::uint8_t> data) {
    return RegSetValueExW(ToHkey(key), Wide(name), 0, type, data.data(), static_cast<DWORD>(data.size()));
}

void Win32Registry::CloseKey(KeyHandle key) { RegCloseKey(ToHkey(key)); }

}  // namespace toolkit::win32
