#include "tests/win32/support/TestPaths.h"

#include <windows.h>

#include "tests/win32/probe/WindowProbe.h"

namespace wintest {
namespace {

std::wstring OwnPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return buffer.substr(0, length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::wstring OwnFolder() {
    const std::wstring path = OwnPath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring OwnFileName() {
    const std::wstring path = OwnPath();
    return path.substr(path.find_last_of(L"\\/") + 1);
}

std::wstring TestProgram(const std::wstring& fileName) { return OwnFolder() + fileName; }

std::wstring UpdaterProgram() {
    // The build passes the host path; Wine shows the host's root as drive Z:.
    std::wstring path = FromUtf8(UPDATER_HOST_PATH);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path.rfind(L"\\", 0) == 0 ? L"Z:" + path : path;
}

}  // namespace wintest
