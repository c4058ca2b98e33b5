#include <gtest/gtest.h>

#include "app/DozevedAzovu_f.h"
#include "toolkit/memory/MemoryOs.h"

TEST(ExecutableNameMatches, ComparesTheFileNameOrTheWholeText) {
    const struct {
        const char16_t* exeFile;
        const char16_t* name;
        bool matches;
    } cases[] = {
        {u"raver.exe", u"raver.exe", true},
        {u"C:\\raver\\raver.exe", u"raver.exe", true},
        {u"D:\\other place\\RAVER.EXE", u"raver.exe", true},
        {u"raver.exe", u"RaVeR.ExE", true},
        {u"C:raver.exe", u"raver.exe", true},                 // after a drive colon
        {u"C:\\raver\\raver.exe", u"c:\\RAVER\\raver.exe", true},  // the whole text
        {u"C:\\raver\\raverx.exe", u"raver.exe", false},
        {u"C:\\raver\\raver.exe.bak", u"raver.exe", false},
        {u"C:\\raver/raver.exe", u"raver.exe", false},          // a slash is no separator here
        {u"C:\\x\\Программа.exe", u"Программа.exe", true},
        {u"C:\\x\\Программа.exe", u"ПРОГРАММА.EXE", false},     // non-ASCII letters keep their case
        {u"C:\\x\\ÄRGER.EXE", u"ärger.exe", false},
        {u"C:\\raver\\raver.exe", u"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TfDozevedAzovu::ExecutableNameMatches(c.exeFile, c.name), c.matches)
            << toolkit::StringToUtf8(c.exeFile) << " / " << toolkit::StringToUtf8(c.name);
    }
}

TEST(StopProcesses, EndsEveryMatchingCopyButNeverItself) {
    toolkit::memory::MemoryOs os;
    toolkit::TApplication app(os.Services());
    TfDozevedAzovu form(app);

    auto& p = os.processes;
    const auto first = p.Start(u"C:\\raver\\raver.exe");
    const auto second = p.Start(u"D:\\copy\\RAVER.EXE");
    const auto other = p.Start(u"C:\\raver\\other.exe");
    const auto stubborn = p.Start(u"C:\\raver\\raver.exe", /*canBeTerminated=*/false);
    const auto third = p.Start(u"E:\\raver.exe");
    p.ownProcessId = p.Start(u"C:\\raver\\raver.exe");  // the updater carries the same name

    form.StopProcesses(u"raver.exe");

    EXPECT_FALSE(p.IsRunning(first));
    EXPECT_FALSE(p.IsRunning(second));
    EXPECT_FALSE(p.IsRunning(third));
    EXPECT_TRUE(p.IsRunning(other));
    EXPECT_TRUE(p.IsRunning(stubborn));  // passed over, the walk goes on
    EXPECT_TRUE(p.IsRunning(p.ownProcessId));
}

TEST(StopProcesses, NothingHappensWithoutSnapshotsOrMatches) {
    toolkit::memory::MemoryOs os;
    toolkit::TApplication app(os.Services());
    TfDozevedAzovu form(app);
    const auto running = os.processes.Start(u"C:\\raver\\raver.exe");

    form.StopProcesses(u"");
    form.StopProcesses(u"notepad.exe");
    os.processes.snapshotsAvailable = false;
    form.StopProcesses(u"raver.exe");
    EXPECT_TRUE(os.processes.IsRunning(running));

    os.processes.snapshotsAvailable = true;
    form.Button1Click(nullptr);
    EXPECT_FALSE(os.processes.IsRunning(running));
}
