#include "tests/win32/support/SleeperRecord.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/win32/probe/WindowProbe.h"

namespace wintest {

std::vector<SleeperStart> ReadSleeperStarts(const std::wstring& exePath) {
    std::vector<SleeperStart> starts;
    std::ifstream file(std::filesystem::path(exePath + L".started"), std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string pid, module, directory, tag;
        if (!std::getline(fields, pid, '\t') || !std::getline(fields, module, '\t') ||
            !std::getline(fields, directory, '\t'))
            continue;  // a line still being written
        std::getline(fields, tag, '\t');
        starts.push_back({static_cast<DWORD>(std::stoul(pid)), FromUtf8(module), FromUtf8(directory), FromUtf8(tag)});
    }
    return starts;
}

std::vector<SleeperStart> WaitForSleeperStarts(const std::wstring& exePath, std::size_t count,
                                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto starts = ReadSleeperStarts(exePath);
        if (starts.size() >= count || std::chrono::steady_clock::now() >= deadline) return starts;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace wintest
