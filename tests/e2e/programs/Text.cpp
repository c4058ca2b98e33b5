#include "tests/e2e/programs/Text.h"

#include <windows.h>

#include <cstdio>

#include "tests/e2e/programs/Handles.h"

namespace e2e {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string JsonString(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::wstring ModulePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return buffer.substr(0, length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring CurrentDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring buffer(size, L'\0');
    buffer.resize(GetCurrentDirectoryW(size, buffer.data()));
    return buffer;
}

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
    const Handle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace e2e
