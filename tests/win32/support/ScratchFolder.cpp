#include "tests/win32/support/ScratchFolder.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "tests/win32/probe/WindowProbe.h"

namespace wintest {
namespace {

std::wstring WithBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring UniqueTempPath() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return WithBackslash(temp) + L"wintest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& path) {
    const std::wstring target = path.empty() ? UniqueTempPath() : path;
    if (!CreateDirectoryW(target.c_str(), nullptr))
        throw std::runtime_error("cannot create folder " + ToUtf8(target) + ": error " + std::to_string(GetLastError()));
    path_ = WithBackslash(target);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;  // a file still held open is left for the prefix to lose
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

std::wstring ScratchFolder::MakeFolder(const std::wstring& name) const {
    const std::wstring folder = Sub(name);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create folder " + ToUtf8(folder));
    return WithBackslash(folder);
}

std::wstring ScratchFolder::CopyIn(const std::wstring& source, const std::wstring& relativeName) const {
    const std::wstring target = Sub(relativeName);
    if (!CopyFileW(source.c_str(), target.c_str(), TRUE))
        throw std::runtime_error("cannot copy " + ToUtf8(source) + " to " + ToUtf8(target) + ": error " +
                                 std::to_string(GetLastError()));
    return target;
}

}  // namespace wintest
