#pragma once
// Reads and drives the windows of other processes through plain Win32 calls: lists top-level
// windows with their child controls, reads message boxes and presses buttons by caption.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

struct ChildWindow {
    HWND hwnd = nullptr;
    std::wstring className;
    std::wstring text;
    int id = 0;
    LONG style = 0;
    RECT rect{};  // in the parent's client coordinates
    bool visible = false;
};

struct TopWindow {
    HWND hwnd = nullptr;
    DWORD processId = 0;
    std::wstring className;
    std::wstring title;
    bool visible = false;
    RECT rect{};  // on the screen
    std::vector<ChildWindow> children;  // direct children, in z (tab) order
};

// Empty fields match anything.
struct WindowFilter {
    std::optional<DWORD> processId;
    std::wstring className;
    std::wstring title;
    bool visibleOnly = false;

    bool Matches(const TopWindow& window) const;
};

std::vector<TopWindow> ListTopLevelWindows(const WindowFilter& filter = {});
std::optional<TopWindow> WaitForWindow(const WindowFilter& filter, std::chrono::milliseconds timeout);
// True once no window matches, false when one still does at the timeout.
bool WaitForNoWindow(const WindowFilter& filter, std::chrono::milliseconds timeout);

constexpr wchar_t kDialogClass[] = L"#32770";

enum class IconKind { None, Stop, Information, Warning, Question, Unknown };
const char* IconKindName(IconKind kind);

struct MessageBoxContent {
    std::wstring caption;
    std::wstring text;
    std::vector<std::wstring> buttons;
    IconKind icon = IconKind::None;
};

// The caption, text, buttons and icon of a message box (a dialog of class #32770).
MessageBoxContent ReadMessageBox(const TopWindow& box);

// Presses the child button whose caption (without its '&' mnemonic marks, ignoring case) is
// `caption` by posting BM_CLICK to it. False when the window has no such button.
bool PressButton(const TopWindow& window, const std::wstring& caption);
// Asks the window to close (WM_CLOSE), as its close box would.
bool RequestClose(const TopWindow& window);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace wintest
