#pragma once
// What a started copy of test_sleeper.exe wrote to "<its path>.started".
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace wintest {

struct SleeperStart {
    DWORD processId = 0;
    std::wstring modulePath;
    std::wstring workingDirectory;
    std::wstring tag;
};

std::vector<SleeperStart> ReadSleeperStarts(const std::wstring& exePath);
// Waits until at least `count` starts of that copy are recorded; returns what is recorded then.
std::vector<SleeperStart> WaitForSleeperStarts(const std::wstring& exePath, std::size_t count,
                                               std::chrono::milliseconds timeout);

}  // namespace wintest
