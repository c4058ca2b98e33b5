#include "tests/win32/support/ChildProcess.h"

#include <stdexcept>
#include <vector>

#include "tests/win32/probe/WindowProbe.h"

namespace wintest {

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& arguments,
                           const std::wstring& workingDirectory) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info))
        throw std::runtime_error("CreateProcessW failed for " + ToUtf8(exe) + ": error " +
                                 std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

ChildProcess ChildProcess::Adopt(DWORD processId) {
    ChildProcess adopted;
    adopted.process_ = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!adopted.process_)
        throw std::runtime_error("cannot open process " + std::to_string(processId) + ": error " +
                                 std::to_string(GetLastError()));
    adopted.id_ = processId;
    return adopted;
}

ChildProcess::~ChildProcess() {
    if (!process_) return;
    Kill();
    CloseHandle(process_);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : process_(other.process_), id_(other.id_) {
    other.process_ = nullptr;
}

bool ChildProcess::IsRunning() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) const {
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    GetExitCodeProcess(process_, &status);
    return status;
}

void ChildProcess::Kill() {
    if (!IsRunning()) return;
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
}

}  // namespace wintest
