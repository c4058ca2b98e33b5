// The update window of a running updater, read back and driven through Win32.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "app/DozevedAzovu_f.h"
#include "tests/win32/probe/WindowProbe.h"
#include "tests/win32/support/ChildProcess.h"
#include "tests/win32/support/ScratchFolder.h"
#include "tests/win32/support/ScratchRegistryKey.h"
#include "tests/win32/support/SleeperRecord.h"
#include "tests/win32/support/TestPaths.h"
#include "tests/win32/support/UpdaterWindow.h"
#include "toolkit/win32/Win32Os.h"

namespace {

using namespace std::chrono_literals;

bool SamePath(std::wstring a, std::wstring b) {
    for (std::wstring* path : {&a, &b})
        if (path->size() > 3 && path->back() == L'\\') path->pop_back();
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The window stays on screen only when an error has left the update run: a program identifier
// that is not a number gives one before anything is touched.
class RunningUpdater : public ::testing::Test {
protected:
    void SetUp() override {
        settings.Set(L"ID_PROGRAM", REG_SZ, wintest::Utf16Bytes(u"not a number"));
        updater.emplace(wintest::UpdaterProgram(), L"");
        std::string notes;
        window = wintest::WaitForVisibleWindow(*updater, L"TfDozevedAzovu", 30s, notes);
        if (!window) {
            const auto status = updater->WaitForExit(0s);
            FAIL() << "no visible update window; " << notes
                   << (status ? "the updater ended with status " + std::to_string(*status) : "it still runs");
        }
        dpi = GetDpiForWindow(window->hwnd);
        if (dpi == 0) dpi = 96;
    }

    int Scaled(int designed) const { return MulDiv(designed, static_cast<int>(dpi), 96); }

    wintest::ScratchRegistryKey settings{L"SOFTWARE\\RAVER"};
    std::optional<wintest::ChildProcess> updater;  // ends before the settings key goes
    std::optional<wintest::TopWindow> window;
    UINT dpi = 96;
};

TEST_F(RunningUpdater, ShowsTheWindowWithItsDesignedSettings) {
    const HWND hwnd = window->hwnd;
    EXPECT_EQ(window->title, L"Обновление системы");
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME) << "not a sizeable frame";
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "no taskbar button of its own";
    EXPECT_FALSE(IsIconic(hwnd));

    RECT client{};
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right - client.left, Scaled(447));
    EXPECT_EQ(client.bottom - client.top, Scaled(202));

    // Children in z order, which is the order the Tab key walks.
    ASSERT_EQ(window->children.size(), 2u);
    struct Expected {
        const wchar_t* caption;
        int left, top;
    };
    const Expected expected[] = {{L"Button1", 136, 128}, {L"Button2", 240, 128}};
    for (std::size_t i = 0; i < 2; ++i) {
        const wintest::ChildWindow& button = window->children[i];
        SCOPED_TRACE(wintest::ToUtf8(expected[i].caption));
        EXPECT_EQ(button.className, L"Button");
        EXPECT_EQ(button.text, expected[i].caption);
        EXPECT_TRUE(button.visible);
        EXPECT_TRUE(button.style & WS_TABSTOP);
        EXPECT_EQ(button.rect.left, Scaled(expected[i].left));
        EXPECT_EQ(button.rect.top, Scaled(expected[i].top));
        EXPECT_EQ(button.rect.right - button.rect.left, Scaled(75));
        EXPECT_EQ(button.rect.bottom - button.rect.top, Scaled(25));

    }
}

TEST_F(RunningUpdater, Button2StartsTheManagedProgramFromItsFixedFolder) {
    const wintest::ScratchFolder raverFolder(L"c:\\raver");
    const std::wstring raver = raverFolder.CopyIn(wintest::TestProgram(L"test_sleeper.exe"), L"raver.exe");

    ASSERT_TRUE(wintest::PressButton(*window, L"Button2"));

    const auto starts = wintest::WaitForSleeperStarts(raver, 1, 20s);
    ASSERT_EQ(starts.size(), 1u) << "c:\\raver\\raver.exe was not started";
    const wintest::ChildProcess started = wintest::ChildProcess::Adopt(starts[0].processId);
    EXPECT_TRUE(SamePath(starts[0].modulePath, L"c:\\raver\\raver.exe")) << wintest::ToUtf8(starts[0].modulePath);
    EXPECT_TRUE(SamePath(starts[0].workingDirectory, L"c:\\raver\\")) << wintest::ToUtf8(starts[0].workingDirectory);
    EXPECT_EQ(starts[0].tag, L"") << "started with parameters";
    EXPECT_TRUE(updater->IsRunning()) << "the updater ended after the click";
}

TEST_F(RunningUpdater, ClosingTheWindowEndsTheProcessWithStatusZero) {
    ASSERT_TRUE(wintest::RequestClose(*window));

    const auto status = updater->WaitForExit(15s);
    ASSERT_TRUE(status.has_value()) << "still running after WM_CLOSE";
    EXPECT_EQ(*status, 0u);
}

// A font handle means nothing outside its own process, so the font is read from the same window
// built here: the update window without its creation handler, which the updater itself runs.
class UpdateWindowWithoutItsRun : public TfDozevedAzovu {
public:
    explicit UpdateWindowWithoutItsRun(toolkit::TApplication& application) : TfDozevedAzovu(application) {
        OnCreate = nullptr;
    }
};

TEST(UpdateWindowInThisProcess, ButtonsUseTahomaOfTheDesignedHeight) {
    toolkit::win32::Win32Os os;
    toolkit::TApplication app(os.Services());
    app.Initialize();
    app.CreateForm<UpdateWindowWithoutItsRun>();
    const auto windows = wintest::ListTopLevelWindows({GetCurrentProcessId(), L"TfDozevedAzovu", {}, false});
    ASSERT_EQ(windows.size(), 1u);
    UINT dpi = GetDpiForWindow(windows[0].hwnd);
    if (dpi == 0) dpi = 96;
    ASSERT_EQ(windows[0].children.size(), 2u);

    for (const wintest::ChildWindow& button : windows[0].children) {
        SCOPED_TRACE(wintest::ToUtf8(button.text));
        const auto font = reinterpret_cast<HFONT>(SendMessageW(button.hwnd, WM_GETFONT, 0, 0));
        LOGFONTW logFont{};
        ASSERT_EQ(GetObjectW(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont))
            << "the button has no font of its own";
        EXPECT_STREQ(logFont.lfFaceName, L"Tahoma");
        EXPECT_EQ(logFont.lfHeight, MulDiv(-11, static_cast<int>(dpi), 96));
        EXPECT_EQ(logFont.lfWeight, FW_NORMAL);
        EXPECT_FALSE(logFont.lfItalic || logFont.lfUnderline || logFont.lfStrikeOut);

        // The face the system really draws with: a missing Tahoma is silently replaced.
        const HDC dc = GetDC(button.hwnd);
        const HGDIOBJ previous = SelectObject(dc, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, face);
        SelectObject(dc, previous);
        ReleaseDC(button.hwnd, dc);
        EXPECT_STREQ(face, L"Tahoma") << "Tahoma is not installed on this system";
    }
}

}  // namespace
