#include "toolkit/win32/Wide.h"
#include <objbase.h>

#include <vector>

#include "toolkit/Exception.h"
#include "toolkit/win32/Win32Os.h"

namespace toolkit::win32 {
namespace {

constexpr int kDesignDpi = 96;
constexpr UINT_PTR kFirstButtonId = 1000;

int Scale(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), kDesignDpi); }

class Win32Window final : public NativeWindow {
public:
    Win32Window(const WindowDefinition& definition, WindowEvents& events) : definition_(definition), events_(events) {
        RegisterWindowClass();
        const DWORD style = definition_.sizeable ? WS_OVERLAPPEDWINDOW : (WS_OVERLAPPEDWINDOW & ~WS_THICKFRAME);
        const DWORD exStyle = definition_.ownTaskbarButton ? WS_EX_APPWINDOW : 0;
        hwnd_ = CreateWindowExW(exStyle, Wide(definition_.className), Wide(definition_.caption), style, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this);
        if (!hwnd_) throw Exception(u"Не удалось создать окно " + definition_.caption);
        try {
            for (std::size_t i = 0; i < definition_.buttons.size(); ++i) {
                HWND button = CreateWindowExW(0, L"BUTTON", Wide(definition_.buttons[i].caption),
                                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, hwnd_,
                                              reinterpret_cast<HMENU>(kFirstButtonId + i),
                                              GetModuleHandleW(nullptr), nullptr);
                if (!button) throw Exception(u"Не удалось создать кнопку " + definition_.buttons[i].caption);
                buttons_.push_back(button);
            }
            ApplyDpi(GetDpiForWindow(hwnd_));
        } catch (...) {
            // No destructor runs for a half-built object: the window goes here.
            DestroyWindow(hwnd_);
            throw;
        }
    }

    ~Win32Window() override {
        if (hwnd_) DestroyWindow(hwnd_);
        if (font_) DeleteObject(font_);
    }

    HWND hwnd() const { return hwnd_; }

    void Show() {
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        UpdateWindow(hwnd_);
        if (!buttons_.empty()) SetFocus(buttons_.front());
    }

private:
    void RegisterWindowClass() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        if (GetClassInfoExW(GetModuleHandleW(nullptr), Wide(definition_.className), &wc)) return;
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &Win32Window::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = Wide(definition_.className);
        if (!RegisterClassExW(&wc)) throw Exception(u"Не удалось зарегистрировать класс окна " + definition_.className);
    }

    // Lays the window out for a monitor's pixel density; designed sizes are at 96 pixels per inch.
    void ApplyDpi(UINT dpi, const RECT* suggested = nullptr) {
        if (dpi == 0) dpi = kDesignDpi;
        HFONT font = CreateFontW(Scale(definition_.font.height, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, Wide(definition_.font.name));
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            const ButtonDefinition& b = definition_.buttons[i];
            SetWindowPos(buttons_[i], nullptr, Scale(b.left, dpi), Scale(b.top, dpi), Scale(b.width, dpi),
                         Scale(b.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageW(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        if (font_) DeleteObject(font_);
        font_ = font;

        if (suggested) {
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
        RECT frame{0, 0, Scale(definition_.clientWidth, dpi), Scale(definition_.clientHeight, dpi)};
        AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                                 static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi);
        SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
        switch (message) {
            case WM_COMMAND:
                if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) >= kFirstButtonId &&
                    LOWORD(wParam) < kFirstButtonId + self->buttons_.size()) {
                    self->events_.ButtonClicked(LOWORD(wParam) - kFirstButtonId);
                    return 0;
                }
                break;
            case WM_CLOSE:
                // The layer above decides; the window itself goes when its owner destroys it.
                self->events_.CloseRequested();
                return 0;
            case WM_DPICHANGED:
                self->ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
                return 0;
            case WM_NCDESTROY:
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
                self->hwnd_ = nullptr;
                break;
            default:
                break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    WindowDefinition definition_;
    WindowEvents& events_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    std::vector<HWND> buttons_;
};

}  // namespace

Win32Windowing::Win32Windowing() = default;

Win32Windowing::~Win32Windowing() {
    if (comInitialized_) CoUninitialize();
}

void Win32Windowing::InitializeUiThread() {
    if (comInitialized_) return;
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    comInitialized_ = SUCCEEDED(result);
}

std::unique_ptr<NativeWindow> Win32Windowing::CreateMainWindow(const WindowDefinition& definition,
                                                               WindowEvents& events) {
    return std::make_unique<Win32Window>(definition, events);
}

int Win32Windowing::RunMessageLoop(NativeWindow& mainWindow) {
    auto& window = static_cast<Win32Window&>(mainWindow);
    window.Show();
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window.hwnd() && IsDialogMessageW(window.hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Win32Windowing::PostQuit(int exitCode) { PostQuitMessage(exitCode); }

String Win32Windowing::ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) throw Exception(u"Не удалось определить путь программы");
        if (length < buffer.size()) return FromWide(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace toolkit::win32
