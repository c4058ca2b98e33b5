#include "toolkit/win32/Wide.h"
// Wide.h brings windows.h, which the tool-help header needs first.
#include <tlhelp32.h>

#include <algorithm>

#include "toolkit/win32/Win32Os.h"

namespace toolkit::win32 {
namespace {

class ToolhelpSnapshot final : public ProcessSnapshot {
public:
    ToolhelpSnapshot() : snapshot_(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)) {}

    bool First(ProcessEntry& entry) override { return Fetch(entry, Process32FirstW); }
    bool Next(ProcessEntry& entry) override { return Fetch(entry, Process32NextW); }

private:
    template <typename Call>
    bool Fetch(ProcessEntry& entry, Call call) {
        if (!snapshot_.valid()) return false;
        PROCESSENTRY32W raw{};
        // The size of this build's own structure: a 64-bit build is not given entries otherwise.
        raw.dwSize = sizeof(PROCESSENTRY32W);
        if (!call(snapshot_.get(), &raw)) return false;
        entry.processId = raw.th32ProcessID;
        static_assert(sizeof(raw.szExeFile) == sizeof(entry.exeFile));
        std::copy_n(reinterpret_cast<const char16_t*>(raw.szExeFile), entry.exeFile.size(), entry.exeFile.begin());
        return true;
    }

    Handle snapshot_;
};

}  // namespace

std::unique_ptr<ProcessSnapshot> Win32Processes::TakeSnapshot() { return std::make_unique<ToolhelpSnapshot>(); }

bool Win32Processes::Terminate(std::uint32_t processId, std::uint32_t exitCode) {
    Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    return process.valid() && TerminateProcess(process.get(), exitCode);
}

std::uint32_t Win32Processes::CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace toolkit::win32
