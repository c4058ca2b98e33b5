#include <gtest/gtest.h>

#include "support/UpdaterHarness.h"
#include "toolkit/Exception.h"

using toolkit::DialogIcon;
using toolkit::String;
using updater::test::kProgramFolder;
using updater::test::kSettingsKey;
using updater::test::UpdaterHarness;

namespace {

const std::string kOldBuild = "MZ old build";
const std::string kNewBuild = "MZ new build \x00\xFF with every byte value";

// Program 7 installed at build 1 with the old executable in place; the catalogue's newest build
// of it is ID_VERSION 2 ("Сборка 2"). `beforeServe` changes the catalogue first.
void ArrangeProgram7(UpdaterHarness& run, const std::function<void(UpdaterHarness&)>& beforeServe = {}) {
    run.os.registry.SetString(kSettingsKey, u"ID_PROGRAM", u"7");
    run.os.registry.SetString(kSettingsKey, u"Version_7", u"1");
    run.os.files.Put(kProgramFolder + u"raver.exe", kOldBuild);
    run.db.Publish(7, "Сборка 1", "raver.exe", "build one");
    run.db.Publish(7, "Сборка 2", "raver.exe", kNewBuild);
    if (beforeServe) beforeServe(run);
    run.StartServer();
}

class RunUpdate : public ::testing::Test {
protected:
    UpdaterHarness h;

    void SetUp() override {
        if (!oracle::test::Testdb::Available()) GTEST_SKIP() << "the test database program is not built";
    }

    void Arrange() { ArrangeProgram7(h); }

    void ExpectNothingChanged(const char16_t* installed = u"1") const {
        EXPECT_EQ(h.File(u"raver.exe"), kOldBuild);
        EXPECT_EQ(h.File(u"bak_raver.exe"), "<absent>");
        EXPECT_EQ(h.File(u"new_raver.exe"), "<absent>");
        EXPECT_EQ(h.Setting(u"Version_7"), installed);
        EXPECT_EQ(h.Setting(u"NameVersion"), u"<absent>");
        EXPECT_TRUE(h.os.shell.calls.empty());
    }
};

TEST_F(RunUpdate, NewerBuildReplacesTheExecutableRecordsItAndStartsIt) {
    Arrange();
    const auto here = h.os.processes.Start(kProgramFolder + u"raver.exe");
    const auto elsewhere = h.os.processes.Start(u"D:\\copy\\RAVER.EXE");
    const auto other = h.os.processes.Start(kProgramFolder + u"notes.exe");

    EXPECT_EQ(h.Run(), 0);

    EXPECT_TRUE(h.os.dialogs.shown.empty());
    EXPECT_EQ(h.File(u"raver.exe"), kNewBuild);
    EXPECT_EQ(h.File(u"bak_raver.exe"), "<absent>");
    EXPECT_EQ(h.File(u"new_raver.exe"), "<absent>");
    EXPECT_EQ(h.Setting(u"Version_7"), u"2");
    EXPECT_EQ(h.Setting(u"NameVersion"), u"Сборка 2");
    EXPECT_FALSE(h.os.processes.IsRunning(here));
    EXPECT_FALSE(h.os.processes.IsRunning(elsewhere));
    EXPECT_TRUE(h.os.processes.IsRunning(other));
    ASSERT_EQ(h.os.shell.calls.size(), 1u);
    EXPECT_EQ(h.os.shell.calls[0].file, kProgramFolder + u"raver.exe");
    EXPECT_EQ(h.os.shell.calls[0].directory, kProgramFolder);
    EXPECT_EQ(h.os.shell.calls[0].verb, u"open");
    EXPECT_EQ(h.os.shell.calls[0].showCommand, 10);
    EXPECT_TRUE(h.os.windowing.windows[0].shown);  // the loop ran and took the quit at once
}

TEST_F(RunUpdate, NothingNewerLeavesEverythingAsItWas) {
    const struct {
        const char16_t* installed;
        int program;
    } cases[] = {{u"2", 7}, {u"5", 7}, {u"0", 8}, {u"1", 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(toolkit::StringToUtf8(c.installed));
        UpdaterHarness run;
        run.os.registry.SetString(kSettingsKey, u"ID_PROGRAM", toolkit::IntToStr(c.program));
        run.os.registry.SetString(kSettingsKey, u"Version_" + toolkit::IntToStr(c.program), c.installed);
        run.os.files.Put(kProgramFolder + u"raver.exe", kOldBuild);
        run.db.Publish(7, "Сборка 1", "raver.exe", "one");
        run.db.Publish(7, "Сборка 2", "raver.exe", kNewBuild);
        run.StartServer();
        const auto running = run.os.processes.Start(kProgramFolder + u"raver.exe");

        EXPECT_EQ(run.Run(), 0);
        EXPECT_TRUE(run.os.dialogs.shown.empty());
        EXPECT_EQ(run.File(u"raver.exe"), kOldBuild);
        EXPECT_TRUE(run.os.processes.IsRunning(running));
        EXPECT_TRUE(run.os.shell.calls.empty());
        EXPECT_EQ(run.Setting(u"NameVersion"), u"<absent>");
    }
}

TEST_F(RunUpdate, FirstInstallationLeftoverBackupAndMissingSettingsKey) {
    // No executable yet: the saved build becomes it.
    Arrange();
    h.os.files.Delete(kProgramFolder + u"raver.exe");
    h.os.files.Put(kProgramFolder + u"bak_raver.exe", "left from an earlier failed run");
    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.File(u"raver.exe"), kNewBuild);
    EXPECT_EQ(h.File(u"bak_raver.exe"), "<absent>");
    EXPECT_EQ(h.Setting(u"Version_7"), u"2");

    // No settings key at all: program 0, installed 0, so its build 3 is installed.
    UpdaterHarness bare;
    bare.db.Publish(7, "x", "raver.exe", "seven");
    bare.db.Publish(7, "y", "raver.exe", "seven");
    bare.db.Publish(0, "Нулевая", "zero.exe", "program zero");
    bare.StartServer();
    EXPECT_EQ(bare.Run(), 0);
    EXPECT_EQ(bare.File(u"zero.exe"), "program zero");
    EXPECT_EQ(bare.Setting(u"Version_0"), u"3");
    EXPECT_EQ(bare.Setting(u"NameVersion"), u"Нулевая");
}

TEST_F(RunUpdate, TwoRowsSharingTheNewestVersionUseTheFirstOfEach) {
    Arrange();
    h.db.Sql("insert into LIST_VERSION (ID_VERSION, ID_PROGRAM, NAME_FILE, NAME_VERSION, FILE_EXE) "
             "values (2, 7, 'raver.exe', 'Двойник', x'00')");
    EXPECT_EQ(h.Run(), 0);
    EXPECT_TRUE(h.os.dialogs.shown.empty());
    EXPECT_EQ(h.File(u"raver.exe"), kNewBuild);
    EXPECT_EQ(h.Setting(u"NameVersion"), u"Сборка 2");
}

TEST_F(RunUpdate, ErrorsBeforeTheReplacementAreShownAndLeaveTheWindowOpen) {
    const struct {
        const char* what;
        std::function<void(UpdaterHarness&)> arrange;
        String message;  // part of the error box's text
    } cases[] = {
        {"ID_PROGRAM as a number",
         [](UpdaterHarness& run) {
             run.os.registry.SetRaw(kSettingsKey, u"ID_PROGRAM", toolkit::RegType::DWord, {7, 0, 0, 0});
         },
         u"ID_PROGRAM"},
        {"ID_PROGRAM not an integer",
         [](UpdaterHarness& run) { run.os.registry.SetString(kSettingsKey, u"ID_PROGRAM", u"abc"); }, u"'abc'"},
        {"table missing",
         [](UpdaterHarness& run) { run.db.Sql("drop table LIST_VERSION"); }, u"ORA-00942"},
        {"column missing",
         [](UpdaterHarness& run) { run.db.Sql("alter table LIST_VERSION drop column NAME_VERSION"); }, u"ORA-00904"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UpdaterHarness run;
        ArrangeProgram7(run, c.arrange);
        run.os.windowing.QueueClick(1);  // Button2
        run.os.windowing.QueueClose();

        EXPECT_EQ(run.Run(), 0);
        ASSERT_EQ(run.os.dialogs.shown.size(), 1u);
        EXPECT_EQ(run.os.dialogs.shown[0].icon, DialogIcon::Stop);
        EXPECT_NE(run.os.dialogs.shown[0].text.find(c.message), String::npos)
            << toolkit::StringToUtf8(run.os.dialogs.shown[0].text);
        EXPECT_EQ(run.File(u"raver.exe"), kOldBuild);
        ASSERT_EQ(run.os.shell.calls.size(), 1u);
        EXPECT_EQ(run.os.shell.calls[0].file, u"c:\\raver\\raver.exe");
    }
}

TEST_F(RunUpdate, FailedDownloadPutsTheOldExecutableBack) {
    Arrange();
    const auto running = h.os.processes.Start(kProgramFolder + u"raver.exe");
    h.os.files.beforeWrite = [](const String&, std::size_t sizeSoFar) {
        if (sizeSoFar > 0) throw toolkit::EInOutError(u"диск заполнен");
    };
    h.db.Sql("update LIST_VERSION set FILE_EXE = zeroblob(3000000) where ID_VERSION = 2");

    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.DialogTexts(), std::vector<String>{u"Ошибка при обновлении"});
    EXPECT_EQ(h.os.dialogs.shown[0].icon, DialogIcon::None);
    EXPECT_EQ(h.os.dialogs.shown[0].caption, u"DozevedAzovu");
    EXPECT_FALSE(h.os.processes.IsRunning(running));  // stopped before the failure, stays stopped
    ExpectNothingChanged();
}

TEST_F(RunUpdate, FailedNameVersionWriteRestoresTheOldBuildWithTheNewVersionRecorded) {
    Arrange();
    h.os.registry.DenyWrite(u"NameVersion");
    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.DialogTexts(), std::vector<String>{u"Ошибка при обновлении"});
    EXPECT_EQ(h.File(u"raver.exe"), kOldBuild);
    EXPECT_EQ(h.File(u"bak_raver.exe"), "<absent>");
    EXPECT_EQ(h.File(u"new_raver.exe"), "<absent>");
    EXPECT_EQ(h.Setting(u"Version_7"), u"2");  // written just before the failing value
    EXPECT_TRUE(h.os.shell.calls.empty());
}

TEST_F(RunUpdate, BuildsThatCannotBeInstalledSafelyTouchNothing) {
    const struct {
        const char* what;
        const char* statement;
    } cases[] = {
        {"name with a folder", "update LIST_VERSION set NAME_FILE = '..\\raver.exe' where ID_VERSION = 2"},
        {"absolute path", "update LIST_VERSION set NAME_FILE = 'C:\\Windows\\raver.exe' where ID_VERSION = 2"},
        {"device name", "update LIST_VERSION set NAME_FILE = 'NUL' where ID_VERSION = 2"},
        {"empty name", "update LIST_VERSION set NAME_FILE = '' where ID_VERSION = 2"},
        {"no executable stored", "update LIST_VERSION set FILE_EXE = NULL where ID_VERSION = 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UpdaterHarness run;
        ArrangeProgram7(run, [&](UpdaterHarness& r) { r.db.Sql(c.statement); });
        const auto running = run.os.processes.Start(kProgramFolder + u"raver.exe");

        EXPECT_EQ(run.Run(), 0);
        EXPECT_EQ(run.DialogTexts(), std::vector<String>{u"Ошибка при обновлении"});
        EXPECT_TRUE(run.os.processes.IsRunning(running));
        EXPECT_EQ(run.os.files.List().size(), 1u);
        EXPECT_EQ(run.File(u"raver.exe"), kOldBuild);
        EXPECT_EQ(run.Setting(u"Version_7"), u"1");
    }
}

TEST_F(RunUpdate, LockedExecutableOrReadOnlyFolderEndsInTheRecovery) {
    for (bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only folder" : "executable held open");
        UpdaterHarness run;
        run.os.registry.SetString(kSettingsKey, u"ID_PROGRAM", u"7");
        run.os.registry.SetString(kSettingsKey, u"Version_7", u"0");
        run.os.files.Put(kProgramFolder + u"raver.exe", kOldBuild);
        if (readOnly) {
            run.os.files.MakeReadOnlyFolder(u"C:\\Программы\\Raver");
        } else {
            run.os.files.Lock(kProgramFolder + u"raver.exe");
        }
        run.db.Publish(7, "Сборка 2", "raver.exe", kNewBuild);
        run.StartServer();

        EXPECT_EQ(run.Run(), 0);
        EXPECT_EQ(run.DialogTexts(), std::vector<String>{u"Ошибка при обновлении"});
        EXPECT_EQ(run.File(u"raver.exe"), kOldBuild);
        EXPECT_EQ(run.File(u"new_raver.exe"), "<absent>");
        EXPECT_EQ(run.Setting(u"Version_7"), u"0");
    }
}

TEST_F(RunUpdate, NegativeInstalledVersionWithNothingPublishedEndsInTheRecovery) {
    h.os.registry.SetString(kSettingsKey, u"ID_PROGRAM", u"9");
    h.os.registry.SetString(kSettingsKey, u"Version_9", u"-1");
    h.os.files.Put(kProgramFolder + u"raver.exe", kOldBuild);
    h.db.Publish(7, "Сборка 1", "raver.exe", "one");
    h.StartServer();
    EXPECT_EQ(h.Run(), 0);
    EXPECT_EQ(h.DialogTexts(), std::vector<String>{u"Ошибка при обновлении"});
    EXPECT_EQ(h.os.files.List().size(), 1u);
    EXPECT_EQ(h.Setting(u"Version_9"), u"-1");
}

TEST_F(RunUpdate, UnreachableDatabaseAtStartEndsWithTheReportAndStatusOne) {
    Arrange();
    h.StopServer();
    EXPECT_EQ(h.Run(), 1);
    ASSERT_EQ(h.os.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.os.dialogs.shown[0].text.rfind(u"Исключение ", 0), 0u) << toolkit::StringToUtf8(h.os.dialogs.shown[0].text);
    EXPECT_NE(h.os.dialogs.shown[0].text.find(u"127.0.0.1"), String::npos);
    EXPECT_TRUE(h.os.windowing.windows.empty());
    ExpectNothingChanged();
}

TEST_F(RunUpdate, ConnectionCheckWithTheSessionClosed) {
    // Server down: "Обновление отложено", termination, no update run.
    Arrange();
    h.StopServer();
    {
        toolkit::TApplication app(h.os.Services());
        auto window = h.MakeWindow(app);
        window->FormCreate(nullptr);
        EXPECT_EQ(h.DialogTexts(), std::vector<String>{u"Обновление отложено"});
        EXPECT_EQ(h.os.dialogs.shown[0].caption, u"Information");
        EXPECT_EQ(h.os.dialogs.shown[0].icon, DialogIcon::Information);
        EXPECT_EQ(h.os.windowing.quitCode, 0);
    }
    ExpectNothingChanged();

    // Server up: the check opens the session itself and says nothing.
    h.StartServer();
    toolkit::TApplication app(h.os.Services());
    auto window = h.MakeWindow(app);
    EXPECT_TRUE(window->CheckConnection());
    EXPECT_TRUE(window->OraSession1.Connected());
    EXPECT_EQ(h.os.dialogs.shown.size(), 1u);
}

}  // namespace
