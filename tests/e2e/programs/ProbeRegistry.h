#pragma once
// The updater's settings key, HKEY_CURRENT_USER\SOFTWARE\RAVER, as the tests set and read it.
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct RegistryValue {
    std::wstring name;
    DWORD type;         // REG_SZ or REG_DWORD
    std::wstring data;  // the text, or the DWORD in decimal
};

// {"exists":false} or {"exists":true,"values":{...}} with REG_SZ data as text, REG_DWORD as a
// number and any other type as lowercase hex of its bytes.
std::string SettingsKeyAsJson();

// Deletes the key with everything under it; when `create`, makes it again holding `values`.
void ResetSettingsKey(const std::vector<RegistryValue>& values, bool create);

}  // namespace e2e
