// A small managed program for the end-to-end tests and the demo, compiled once per build number.
// When started it appends "<build>\t<own path>\t<working directory>\n" (UTF-8) to
// "<own path>.started", then shows a window naming its build until it is closed or ended.
#include <windows.h>

#include <string>

#include "tests/e2e/programs/Text.h"

#ifndef SAMPLE_BUILD
#error SAMPLE_BUILD must name the build number
#endif

namespace {

constexpr wchar_t kWindowClass[] = L"TSampleProgram";

std::wstring Title() { return L"Sample program, build " + std::to_wstring(SAMPLE_BUILD); }

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ShowBuildWindow(HINSTANCE instance, const std::wstring& where) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, kWindowClass, Title().c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 420, 110, nullptr, nullptr, instance, nullptr);
    CreateWindowExW(0, L"STATIC", (Title() + L"\nrunning from " + where).c_str(), WS_CHILD | WS_VISIBLE, 10, 10,
                    390, 50, window, nullptr, instance, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::wstring self = e2e::ModulePath();
    const std::string record = std::to_string(SAMPLE_BUILD) + "\t" + e2e::Utf8(self) + "\t" +
                               e2e::Utf8(e2e::CurrentDirectory()) + "\n";
    if (!e2e::AppendToFile(self + L".started", record)) return 2;
    ShowBuildWindow(instance, self);
    return 0;
}
