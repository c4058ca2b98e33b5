#pragma once
// Seam over the process snapshot (CreateToolhelp32Snapshot, Process32FirstW, Process32NextW,
// CloseHandle) and termination (OpenProcess with PROCESS_TERMINATE, TerminateProcess).
#include <array>
#include <cstdint>
#include <memory>

namespace toolkit {

struct ProcessEntry {
    std::uint32_t processId = 0;
    // The executable text as the system fills it: up to 260 UTF-16 units, ended by a zero unit.
    std::array<char16_t, 260> exeFile{};
};

// One walk over the processes; the snapshot is released when this object goes.
class ProcessSnapshot {
public:
    virtual ~ProcessSnapshot() = default;
    virtual bool First(ProcessEntry& entry) = 0;
    virtual bool Next(ProcessEntry& entry) = 0;
};

class ProcessApi {
public:
    virtual ~ProcessApi() = default;
    // A snapshot that could not be taken walks no entries.
    virtual std::unique_ptr<ProcessSnapshot> TakeSnapshot() = 0;
    // Opens the process for termination and terminates it; false when either step fails.
    virtual bool Terminate(std::uint32_t processId, std::uint32_t exitCode) = 0;
    virtual std::uint32_t CurrentProcessId() = 0;
};

}  // namespace toolkit
