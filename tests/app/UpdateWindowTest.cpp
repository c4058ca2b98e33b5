#include <gtest/gtest.h>

#include "support/UpdaterHarness.h"

using updater::test::UpdaterHarness;

class UpdateWindow : public ::testing::Test {
protected:
    UpdaterHarness h;
    void SetUp() override {
        if (!oracle::test::Testdb::Available()) GTEST_SKIP() << "the test database program is not built";
        h.StartServer();
    }
};

TEST_F(UpdateWindow, IsBuiltWithItsStoredSettings) {
    h.db.Publish(5, "other program", "other.exe", "x");
    EXPECT_EQ(h.Run(), 0);
    EXPECT_TRUE(h.os.dialogs.shown.empty());
    ASSERT_EQ(h.os.windowing.windows.size(), 1u);
    const toolkit::WindowDefinition& w = h.os.windowing.windows[0].definition;
    EXPECT_EQ(w.className, u"TfDozevedAzovu");
    EXPECT_EQ(w.caption, u"Обновление системы");
    EXPECT_EQ(w.clientWidth, 447);
    EXPECT_EQ(w.clientHeight, 202);
    EXPECT_TRUE(w.sizeable);
    EXPECT_TRUE(w.ownTaskbarButton);
    EXPECT_EQ(w.font.name, u"Tahoma");
    EXPECT_EQ(w.font.height, -11);
    ASSERT_EQ(w.buttons.size(), 2u);  // in tab order
    EXPECT_EQ(w.buttons[0].caption, u"Button1");
    EXPECT_EQ(std::tie(w.buttons[0].left, w.buttons[0].top, w.buttons[0].width, w.buttons[0].height),
              std::make_tuple(136, 128, 75, 25));
    EXPECT_EQ(w.buttons[1].caption, u"Button2");
    EXPECT_EQ(std::tie(w.buttons[1].left, w.buttons[1].top, w.buttons[1].width, w.buttons[1].height),
              std::make_tuple(240, 128, 75, 25));
}

TEST_F(UpdateWindow, ButtonsStopAndStartTheManagedProgramAfterAnErrorLeftItOpen) {
    h.os.registry.SetString(updater::test::kSettingsKey, u"ID_PROGRAM", u"abc");
    const auto running = h.os.processes.Start(u"c:\\raver\\raver.exe");
    h.os.windowing.QueueClick(0);
    h.os.windowing.QueueClick(1);
    h.os.windowing.QueueClose();

    EXPECT_EQ(h.Run(), 0);
    EXPECT_FALSE(h.os.processes.IsRunning(running));
    ASSERT_EQ(h.os.shell.calls.size(), 1u);
    const auto& call = h.os.shell.calls[0];
    EXPECT_EQ(call.verb, u"open");
    EXPECT_EQ(call.file, u"c:\\raver\\raver.exe");
    EXPECT_EQ(call.parameters, u"");
    EXPECT_EQ(call.directory, u"c:\\raver\\");
    EXPECT_EQ(call.showCommand, 10);
    EXPECT_EQ(h.os.windowing.quitCode, 0);
}
