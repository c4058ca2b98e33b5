// The end-to-end tests' view into the Wine prefix: the updater's settings key and the running
// processes. Prints JSON (UTF-8), one object per line. Exit status 0 done, 1 failed, 2 usage.
//
//   e2e_probe registry                          {"exists":BOOL,"values":{NAME:{"type":T,"data":D}}}
//   e2e_probe registry-reset [NAME TYPE DATA]…   deletes the key; with values, creates it holding
//                                               them (TYPE sz: DATA as text, dword: DATA decimal)
//   e2e_probe processes PREFIX                  {"pid":N,"path":P} for each process whose
//                                               executable path starts with PREFIX (no case)
//   e2e_probe kill PREFIX                       ends those processes and waits until they are gone
//   e2e_probe hold PATH                         opens PATH without sharing, prints {"held":PATH},
//                                               then waits until it is ended
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/e2e/programs/Handles.h"
#include "tests/e2e/programs/ProbeProcesses.h"
#include "tests/e2e/programs/ProbeRegistry.h"
#include "tests/e2e/programs/Text.h"

namespace {

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Usage() {
    std::fputs("usage: e2e_probe registry | registry-reset [NAME TYPE DATA]... | processes PREFIX | kill PREFIX | "
               "hold PATH\n",
               stderr);
    return 2;
}

std::vector<e2e::RegistryValue> ValuesFromArguments(const std::vector<std::wstring>& args) {
    std::vector<e2e::RegistryValue> values;
    for (std::size_t i = 0; i + 2 < args.size(); i += 3) {
        const std::wstring& type = args[i + 1];
        if (type == L"sz") values.push_back({args[i], REG_SZ, args[i + 2]});
        else if (type == L"dword") values.push_back({args[i], REG_DWORD, args[i + 2]});
        else throw std::runtime_error("unknown value type " + e2e::Utf8(type));
    }
    return values;
}

int Hold(const std::wstring& path) {
    const e2e::Handle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) throw std::runtime_error("cannot open " + e2e::Utf8(path) + ": error " + std::to_string(GetLastError()));
    PrintLine("{\"held\":" + e2e::JsonString(path) + "}");
    Sleep(INFINITE);
    return 0;
}

int Run(const std::vector<std::wstring>& args) {
    if (args.empty()) return Usage();
    const std::wstring& command = args[0];
    const std::vector<std::wstring> rest(args.begin() + 1, args.end());
    if (command == L"registry" && rest.empty()) {
        PrintLine(e2e::SettingsKeyAsJson());
        return 0;
    }
    if (command == L"registry-reset" && rest.size() % 3 == 0) {
        e2e::ResetSettingsKey(ValuesFromArguments(rest), !rest.empty());
        return 0;
    }
    if (command == L"processes" && rest.size() == 1) {
        for (const e2e::RunningProcess& p : e2e::ProcessesUnder(rest[0]))
            PrintLine("{\"pid\":" + std::to_string(p.id) + ",\"path\":" + e2e::JsonString(p.path) + "}");
        return 0;
    }
    if (command == L"kill" && rest.size() == 1) {
        e2e::EndProcessesUnder(rest[0]);
        return 0;
    }
    if (command == L"hold" && rest.size() == 1) return Hold(rest[0]);
    return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    try {
        return Run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "e2e_probe: %s\n", error.what());
        return 1;
    }
}
