#include "tests/win32/probe/WindowProbe.h"

#include <algorithm>
#include <thread>

#include "tests/win32/probe/IconMatch.h"

namespace wintest {
namespace {

constexpr UINT kMessageTimeoutMs = 2000;

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(hwnd, buffer, 256);
    return std::wstring(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

// WM_GETTEXT with a time-out, so a hung target cannot hang the reader.
std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        length = static_cast<DWORD_PTR>(GetWindowTextLengthW(hwnd));
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &copied))
        copied = static_cast<DWORD_PTR>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size())));
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

std::vector<ChildWindow> ChildrenOf(HWND parent) {
    std::vector<ChildWindow> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ChildWindow c;
        c.hwnd = child;
        c.className = ClassOf(child);
        c.text = TextOf(child);
        c.id = GetDlgCtrlID(child);
        c.style = GetWindowLongW(child, GWL_STYLE);
        c.visible = IsWindowVisible(child) != FALSE;
        GetWindowRect(child, &c.rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&c.rect), 2);
        children.push_back(std::move(c));
    }
    return children;
}

TopWindow Describe(HWND hwnd) {
    TopWindow w;
    w.hwnd = hwnd;
    GetWindowThreadProcessId(hwnd, &w.processId);
    w.className = ClassOf(hwnd);
    w.title = TextOf(hwnd);
    w.visible = IsWindowVisible(hwnd) != FALSE;
    GetWindowRect(hwnd, &w.rect);
    w.children = ChildrenOf(hwnd);
    return w;
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::wstring WithoutMnemonics(const std::wstring& caption) {
    std::wstring out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool IsButton(const ChildWindow& c) {
    if (!SameIgnoringCase(c.className, L"Button")) return false;
    const LONG type = c.style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

template <typename Done>
bool PollUntil(std::chrono::milliseconds timeout, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

bool WindowFilter::Matches(const TopWindow& window) const {
    if (processId && window.processId != *processId) return false;
    if (!className.empty() && !SameIgnoringCase(window.className, className)) return false;
    if (!title.empty() && window.title != title) return false;
    return !visibleOnly || window.visible;
}

std::vector<TopWindow> ListTopLevelWindows(const WindowFilter& filter) {
    std::vector<HWND> handles;
    EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&handles));
    std::vector<TopWindow> windows;
    for (HWND hwnd : handles) {
        if (!IsWindow(hwnd)) continue;  // gone since the walk
        TopWindow w = Describe(hwnd);
        if (filter.Matches(w)) windows.push_back(std::move(w));
    }
    return windows;
}

std::optional<TopWindow> WaitForWindow(const WindowFilter& filter, std::chrono::milliseconds timeout) {
    std::optional<TopWindow> found;
    PollUntil(timeout, [&] {
        auto windows = ListTopLevelWindows(filter);
        if (!windows.empty()) found = std::move(windows.front());
        return found.has_value();
    });
    return found;
}

bool WaitForNoWindow(const WindowFilter& filter, std::chrono::milliseconds timeout) {
    return PollUntil(timeout, [&] { return ListTopLevelWindows(filter).empty(); });
}

const char* IconKindName(IconKind kind) {
    switch (kind) {
        case IconKind::None: return "none";
        case IconKind::Stop: return "stop";
        case IconKind::Information: return "information";
        case IconKind::Warning: return "warning";
        case IconKind::Question: return "question";
        case IconKind::Unknown: break;
    }
    return "unknown";
}

MessageBoxContent ReadMessageBox(const TopWindow& box) {
    MessageBoxContent content;
    content.caption = box.title;
    for (const ChildWindow& c : box.children) {
        if (IsButton(c)) {
            if (c.visible) content.buttons.push_back(WithoutMnemonics(c.text));
        } else if (SameIgnoringCase(c.className, L"Static")) {
            if ((c.style & SS_TYPEMASK) == SS_ICON) {
                content.icon = c.visible ? ClassifyIcon(c.hwnd) : IconKind::None;
            } else if (content.text.empty() || c.id == 0xFFFF) {
                // The message itself is the static control with id 0xFFFF; take the first text otherwise.
                content.text = c.text;
            }
        }
    }
    return content;
}

bool PressButton(const TopWindow& window, const std::wstring& caption) {
    for (const ChildWindow& c : window.children) {
        if (IsButton(c) && SameIgnoringCase(WithoutMnemonics(c.text), WithoutMnemonics(caption)))
            return PostMessageW(c.hwnd, BM_CLICK, 0, 0) != FALSE;
    }
    return false;
}

bool RequestClose(const TopWindow& window) { return PostMessageW(window.hwnd, WM_CLOSE, 0, 0) != FALSE; }

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

}  // namespace wintest
