#include "tests/e2e/programs/ProbeProcesses.h"

#include <tlhelp32.h>

#include <stdexcept>

#include "tests/e2e/programs/Handles.h"
#include "tests/e2e/programs/Text.h"

namespace e2e {
namespace {

std::wstring ImagePath(DWORD processId) {
    const Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return {};
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::vector<RunningProcess> ProcessesUnder(const std::wstring& prefix) {
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) throw std::runtime_error("no process snapshot: error " + std::to_string(GetLastError()));
    std::vector<RunningProcess> found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        const std::wstring path = ImagePath(entry.th32ProcessID);
        if (!path.empty() && StartsWithNoCase(path, prefix)) found.push_back({entry.th32ProcessID, path});
    }
    return found;
}

void EndProcessesUnder(const std::wstring& prefix) {
    for (const RunningProcess& p : ProcessesUnder(prefix)) {
        const Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.id));
        if (!process) continue;  // ended meanwhile
        TerminateProcess(process.get(), 1);
        if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0)
            throw std::runtime_error("process " + std::to_string(p.id) + " (" + Utf8(p.path) + ") did not end");
    }
}

}  // namespace e2e
