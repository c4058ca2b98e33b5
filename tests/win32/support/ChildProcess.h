#pragma once
// A program started by a test. A process still running when this object goes is terminated, so
// a failed test leaves nothing behind in the shared prefix.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

namespace wintest {

class ChildProcess {
public:
    // Starts `exe` (CreateProcessW) with `arguments` in `workingDirectory` (empty: the test's own).
    // Throws std::runtime_error when the system refuses.
    ChildProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingDirectory = {});
    // A process the test did not start itself but must not leave behind.
    static ChildProcess Adopt(DWORD processId);
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess& operator=(ChildProcess&&) = delete;

    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool IsRunning() const;
    // The exit status once the process has ended within `timeout`.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout) const;
    void Kill();

private:
    ChildProcess() = default;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

}  // namespace wintest
