#include <gtest/gtest.h>

#include "app/DozevedAzovu_f.h"
#include "toolkit/memory/MemoryOs.h"

TEST(UpdateWindow, IsBuiltWithItsStoredSettings) {
    toolkit::memory::MemoryOs os;
    toolkit::TApplication app(os.Services());
    app.MainFormOnTaskbar = true;
    app.CreateForm<TfDozevedAzovu>();

    ASSERT_EQ(os.windowing.windows.size(), 1u);
    const toolkit::WindowDefinition& w = os.windowing.windows[0].definition;
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

TEST(UpdateWindow, Button2StartsTheManagedProgramByFullPathAndClosingEndsTheRun) {
    toolkit::memory::MemoryOs os;
    os.windowing.QueueClick(1);
    os.windowing.QueueClose();
    toolkit::TApplication app(os.Services());
    app.CreateForm<TfDozevedAzovu>();
    app.Run();

    ASSERT_EQ(os.shell.calls.size(), 1u);
    const auto& call = os.shell.calls[0];
    EXPECT_EQ(call.verb, u"open");
    EXPECT_EQ(call.file, u"c:\\raver\\raver.exe");
    EXPECT_EQ(call.parameters, u"");
    EXPECT_EQ(call.directory, u"c:\\raver\\");
    EXPECT_EQ(call.showCommand, 10);
    EXPECT_EQ(os.windowing.quitCode, 0);
}
