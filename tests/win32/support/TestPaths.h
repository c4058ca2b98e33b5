#pragma once
// Where the programs the tests start were built.
#include <string>

namespace wintest {

// The folder of the running test executable, ending in a backslash.
std::wstring OwnFolder();
// The running test executable's file name, without folder.
std::wstring OwnFileName();
// A program built next to the tests (test_sleeper.exe, test_form.exe, wintool.exe).
std::wstring TestProgram(const std::wstring& fileName);
// The updater itself, as the build placed it.
std::wstring UpdaterProgram();

}  // namespace wintest
