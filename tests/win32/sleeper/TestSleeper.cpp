// A stand-in for the managed program: records how it was started, then sleeps.
// Usage: test_sleeper.exe [SECONDS [TAG]]; SECONDS defaults to 60.
// It appends one line to "<own path>.started": process id, module path, working directory and
// tag, tab-separated, UTF-8. Tests copy this executable under other names and folders.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
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
    const DWORD length = GetCurrentDirectoryW(size, buffer.data());
    buffer.resize(length);
    return buffer;
}

// Appends in one write, so lines of copies started together never interleave.
bool AppendLine(const std::wstring& file, const std::string& line) {
    HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(handle);
    return ok && written == line.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const unsigned long seconds = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 60;
    const std::wstring tag = argc > 2 ? argv[2] : L"";
    const std::wstring module = ModulePath();
    const std::string line = std::to_string(GetCurrentProcessId()) + "\t" + Utf8(module) + "\t" +
                             Utf8(CurrentDirectory()) + "\t" + Utf8(tag) + "\n";
    if (!AppendLine(module + L".started", line)) return 2;
    Sleep(seconds * 1000);
    return 0;
}
