// StopProcesses against real processes: copies of the tests' sleeper under several names.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>

#include "app/DozevedAzovu_f.h"
#include "tests/win32/probe/WindowProbe.h"
#include "tests/win32/support/ChildProcess.h"
#include "tests/win32/support/ScratchFolder.h"
#include "tests/win32/support/SleeperRecord.h"
#include "tests/win32/support/TestPaths.h"
#include "toolkit/win32/Win32Os.h"

namespace {

using namespace std::chrono_literals;
using wintest::ChildProcess;

class StopProcessesOnSystem : public ::testing::Test {
protected:
    // Starts a copy of the sleeper at `relativePath` in the scratch folder (copied once) and waits
    // until it runs, so the process walk is sure to see it.
    ChildProcess& Start(const std::wstring& relativePath) {
        const std::wstring path = scratch.Sub(relativePath);
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            scratch.CopyIn(wintest::TestProgram(L"test_sleeper.exe"), relativePath);
        const std::size_t before = wintest::ReadSleeperStarts(path).size();
        ChildProcess& child = processes.emplace_back(path, L"60 " + relativePath);
        const auto starts = wintest::WaitForSleeperStarts(path, before + 1, 20s);
        EXPECT_EQ(starts.size(), before + 1) << wintest::ToUtf8(relativePath) << " did not start";
        names[child.Id()] = wintest::ToUtf8(relativePath);
        return child;
    }

    void ExpectStopped(const ChildProcess& child) {
        const auto status = child.WaitForExit(10s);
        ASSERT_TRUE(status.has_value()) << names[child.Id()] << " still runs";
        EXPECT_EQ(*status, 0u) << names[child.Id()] << " did not end by termination with code 0";
    }

    void ExpectRunning(const ChildProcess& child) { EXPECT_TRUE(child.IsRunning()) << names[child.Id()] << " was stopped"; }

    wintest::ScratchFolder scratch;
    std::deque<ChildProcess> processes;  // terminated, if still running, before the folder goes
    std::map<DWORD, std::string> names;
    toolkit::win32::Win32Os os;
    toolkit::TApplication app{os.Services()};
    TfDozevedAzovu form{app};
};

TEST_F(StopProcessesOnSystem, EndsEveryCopyOfTheNameInAnyFolderAndSparesOtherNames) {
    for (const wchar_t* folder : {L"first", L"second", L"third"}) scratch.MakeFolder(folder);
    std::vector<ChildProcess*> matching = {
        &Start(L"first\\raver.exe"), &Start(L"first\\raver.exe"), &Start(L"second\\raver.exe"),
        &Start(L"third\\RAVER.EXE")};
    std::vector<ChildProcess*> others = {&Start(L"first\\other.exe"), &Start(L"second\\raverx.exe"),
                                         &Start(L"third\\xraver.exe")};

    form.StopProcesses(u"raver.exe");

    for (const ChildProcess* child : matching) ExpectStopped(*child);
    for (const ChildProcess* child : others) ExpectRunning(*child);
}

TEST_F(StopProcessesOnSystem, ComparesOnlyAsciiLettersWithoutCase) {
    ChildProcess& cyrillic = Start(L"рейвер.exe");

    form.StopProcesses(u"РЕЙВЕР.exe");  // differs in the case of non-ASCII letters only
    ExpectRunning(cyrillic);
    EXPECT_FALSE(cyrillic.WaitForExit(1s).has_value()) << "stopped after a while";

    form.StopProcesses(u"рейвер.EXE");
    ExpectStopped(cyrillic);
}

TEST_F(StopProcessesOnSystem, SparesItsOwnProcessButStopsAnotherOfTheSameName) {
    scratch.MakeFolder(L"copy");
    const std::wstring ownName = wintest::OwnFileName();
    ChildProcess& namesake = Start(L"copy\\" + ownName);

    form.StopProcesses(toolkit::String(ownName.begin(), ownName.end()));

    ExpectStopped(namesake);  // and this test is still running to see it
}

TEST_F(StopProcessesOnSystem, NameOfNoRunningProcessOrEmptyNameStopsNothing) {
    ChildProcess& bystander = Start(L"bystander.exe");

    form.StopProcesses(u"no-such-program.exe");
    form.StopProcesses(u"");

    EXPECT_FALSE(bystander.WaitForExit(1s).has_value());
}

}  // namespace
