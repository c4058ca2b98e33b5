// How the application object reports errors, seen on screen: a window program of the tests' own
// fails in its creation handler or while its form is being built.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/win32/probe/WindowProbe.h"
#include "tests/win32/support/ChildProcess.h"
#include "tests/win32/support/TestPaths.h"

namespace {

using namespace std::chrono_literals;
using wintest::ChildProcess;
using wintest::WindowFilter;

constexpr wchar_t kFormClass[] = L"TTestForm";

wintest::TopWindow WaitForBox(const ChildProcess& program) {
    const auto box = wintest::WaitForWindow(WindowFilter{program.Id(), wintest::kDialogClass, {}, true}, 20s);
    if (!box) throw std::runtime_error("no message box appeared");
    // The box's controls may still be painting; read it once its text is there.
    for (int attempt = 0; attempt < 40; ++attempt) {
        const auto again = wintest::WaitForWindow(WindowFilter{program.Id(), wintest::kDialogClass, {}, true}, 1s);
        if (again && !wintest::ReadMessageBox(*again).text.empty()) return *again;
        Sleep(50);
    }
    return *box;
}

TEST(ErrorRouting, ErrorInTheCreationHandlerIsShownAndTheWindowStaysOpen) {
    ChildProcess program(wintest::TestProgram(L"test_form.exe"), L"--fail-in-create");

    const wintest::TopWindow box = WaitForBox(program);
    Sleep(300);  // let the icon be drawn before its pixels are compared
    const wintest::MessageBoxContent content = wintest::ReadMessageBox(box);
    EXPECT_EQ(content.caption, L"test_form") << "not the application title";
    EXPECT_EQ(content.text, L"Сбой в обработчике создания");
    EXPECT_EQ(content.icon, wintest::IconKind::Stop) << wintest::IconKindName(content.icon);
    EXPECT_EQ(content.buttons, std::vector<std::wstring>{L"OK"});

    ASSERT_TRUE(wintest::PressButton(box, L"OK"));
    const auto form = wintest::WaitForWindow(WindowFilter{program.Id(), kFormClass, {}, true}, 10s);
    ASSERT_TRUE(form.has_value()) << "the window is not shown after the error";
    EXPECT_EQ(form->title, L"Тестовое окно");
    EXPECT_TRUE(wintest::ListTopLevelWindows(WindowFilter{program.Id(), wintest::kDialogClass, {}, true}).empty())
        << "a second box followed";

    ASSERT_TRUE(wintest::RequestClose(*form));
    const auto status = program.WaitForExit(10s);
    ASSERT_TRUE(status.has_value()) << "still running after WM_CLOSE";
    EXPECT_EQ(*status, 0u);
}

TEST(ErrorRouting, ErrorWhileTheFormIsBuiltGivesTheUnhandledErrorReportAndStatusOne) {
    ChildProcess program(wintest::TestProgram(L"test_form.exe"), L"--fail-in-constructor");

    const wintest::TopWindow box = WaitForBox(program);
    const wintest::MessageBoxContent content = wintest::ReadMessageBox(box);
    EXPECT_EQ(content.caption, L"test_form");
    EXPECT_NE(content.text.find(L"ETestFormError"), std::wstring::npos) << wintest::ToUtf8(content.text);
    EXPECT_NE(content.text.find(L"Сбой при загрузке окна"), std::wstring::npos) << wintest::ToUtf8(content.text);
    EXPECT_TRUE(wintest::ListTopLevelWindows(WindowFilter{program.Id(), kFormClass, {}, false}).empty())
        << "the form's window was created";

    ASSERT_TRUE(wintest::PressButton(box, L"OK"));
    const auto status = program.WaitForExit(10s);
    ASSERT_TRUE(status.has_value()) << "still running after the report";
    EXPECT_EQ(*status, 1u);
}

}  // namespace
