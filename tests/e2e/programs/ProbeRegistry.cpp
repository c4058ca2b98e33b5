#include "tests/e2e/programs/ProbeRegistry.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <stdexcept>

#include "tests/e2e/programs/Handles.h"
#include "tests/e2e/programs/Text.h"

namespace e2e {
namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\RAVER";

void Check(LSTATUS status, const char* what) {
    if (status != ERROR_SUCCESS) throw std::runtime_error(std::string(what) + ": error " + std::to_string(status));
}

std::string TypeName(DWORD type) {
    switch (type) {
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_DWORD: return "REG_DWORD";
        case REG_BINARY: return "REG_BINARY";
        case REG_QWORD: return "REG_QWORD";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        default: return std::to_string(type);
    }
}

std::string DataAsJson(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return JsonString(text);
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        return std::to_string(value);
    }
    std::string hex = "\"";
    for (const BYTE b : data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", b);
        hex += digits;
    }
    return hex + "\"";
}

}  // namespace

std::string SettingsKeyAsJson() {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &opened);
    if (status == ERROR_FILE_NOT_FOUND) return "{\"exists\":false}";
    Check(status, "open the settings key");
    const Key key(opened);

    std::string out = "{\"exists\":true,\"values\":{";
    for (DWORD index = 0;; ++index) {
        std::wstring name(16384, L'\0');
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS found = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type, nullptr, &size);
        if (found == ERROR_NO_MORE_ITEMS) break;
        Check(found, "enumerate the settings key");
        name.resize(nameLength);
        std::vector<BYTE> data(size);
        DWORD dataSize = size;
        Check(RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &dataSize), "read a value");
        data.resize(dataSize);
        if (index) out += ',';
        out += JsonString(name);
        out += ":{\"type\":\"" + TypeName(type) + "\",\"data\":" + DataAsJson(type, data) + "}";
    }
    return out + "}}";
}

void ResetSettingsKey(const std::vector<RegistryValue>& values, bool create) {
    // Some systems' tree deletion keeps the key itself, others remove it too: delete it after.
    const LSTATUS emptied = RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    if (emptied != ERROR_FILE_NOT_FOUND) Check(emptied, "empty the settings key");
    const LSTATUS deleted = RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    if (deleted != ERROR_FILE_NOT_FOUND) Check(deleted, "delete the settings key");
    if (!create) return;

    HKEY created = nullptr;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
          "create the settings key");
    const Key key(created);
    for (const RegistryValue& value : values) {
        if (value.type == REG_DWORD) {
            const DWORD number = std::wcstoul(value.data.c_str(), nullptr, 10);
            Check(RegSetValueExW(key.get(), value.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                 sizeof number),
                  "write a value");
        } else {
            Check(RegSetValueExW(key.get(), value.name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.data.c_str()),
                                 static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t))),
                  "write a value");
        }
    }
}

}  // namespace e2e
