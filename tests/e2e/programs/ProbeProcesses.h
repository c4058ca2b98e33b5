#pragma once
// Running processes by where their executable lies.
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct RunningProcess {
    DWORD id;
    std::wstring path;  // full path of the executable
};

// Every process whose executable path starts with `prefix`, compared without case.
std::vector<RunningProcess> ProcessesUnder(const std::wstring& prefix);

// Ends those processes and waits (up to 10 s each) until they have gone; throws if one stays.
void EndProcessesUnder(const std::wstring& prefix);

}  // namespace e2e
