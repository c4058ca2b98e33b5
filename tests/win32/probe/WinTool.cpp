// Command-line front end of the window probe, for scripts that drive programs under Wine.
// Prints one JSON object per line (UTF-8). Exit status: 0 done, 1 not found in time, 2 usage.
//
//   wintool list [FILTER]                       every top-level window with its child controls
//   wintool wait-window [FILTER]                the first matching window, once there is one
//   wintool wait-gone [FILTER]                  returns once no window matches
//   wintool messagebox [FILTER]                 caption, text, buttons and icon of a message box
//   wintool press CAPTION [FILTER]              BM_CLICK on the button of a message box
//   wintool click --button CAPTION [FILTER]     BM_CLICK on a button of any window
//   wintool close [FILTER]                      WM_CLOSE to the window
// FILTER: [--pid N] [--class C] [--title T] [--visible] [--timeout SECONDS] (default 10 s;
// `list` does not wait).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "tests/win32/probe/WindowProbe.h"

namespace {

using wintest::ToUtf8;

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : ToUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string Json(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "]";
}

std::string Handle(HWND hwnd) { return std::to_string(reinterpret_cast<std::uintptr_t>(hwnd)); }

std::string Json(const wintest::TopWindow& w) {
    std::string out = "{\"hwnd\":" + Handle(w.hwnd) + ",\"pid\":" + std::to_string(w.processId) +
                      ",\"class\":" + Json(w.className) + ",\"title\":" + Json(w.title) +
                      ",\"visible\":" + (w.visible ? "true" : "false") + ",\"rect\":" + Json(w.rect) +
                      ",\"children\":[";
    for (std::size_t i = 0; i < w.children.size(); ++i) {
        const wintest::ChildWindow& c = w.children[i];
        out += (i ? "," : "") + std::string("{\"hwnd\":") + Handle(c.hwnd) + ",\"class\":" + Json(c.className) +
               ",\"text\":" + Json(c.text) + ",\"id\":" + std::to_string(c.id) + ",\"style\":" +
               std::to_string(static_cast<unsigned long>(c.style)) + ",\"visible\":" + (c.visible ? "true" : "false") +
               ",\"rect\":" + Json(c.rect) + "}";
    }
    return out + "]}";
}

std::string Json(const wintest::TopWindow& w, const wintest::MessageBoxContent& box) {
    std::string out = "{\"hwnd\":" + Handle(w.hwnd) + ",\"pid\":" + std::to_string(w.processId) +
                      ",\"caption\":" + Json(box.caption) + ",\"text\":" + Json(box.text) + ",\"buttons\":[";
    for (std::size_t i = 0; i < box.buttons.size(); ++i) out += (i ? "," : "") + Json(box.buttons[i]);
    return out + "],\"icon\":\"" + wintest::IconKindName(box.icon) + "\"}";
}

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Options {
    std::wstring command;
    std::wstring caption;  // press: the positional CAPTION; click: --button
    wintest::WindowFilter filter;
    double timeoutSeconds = 10;
};

std::optional<Options> Parse(int argc, wchar_t** argv) {
    if (argc < 2) return std::nullopt;
    Options o;
    o.command = argv[1];
    int i = 2;
    if (o.command == L"press") {
        if (argc < 3) return std::nullopt;
        o.caption = argv[i++];
        o.filter.className = wintest::kDialogClass;
    } else if (o.command == L"messagebox") {
        o.filter.className = wintest::kDialogClass;
    }
    for (; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--visible") {
            o.filter.visibleOnly = true;
            continue;
        }
        if (i + 1 >= argc) return std::nullopt;
        const std::wstring value = argv[++i];
        if (arg == L"--pid") o.filter.processId = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
        else if (arg == L"--class") o.filter.className = value;
        else if (arg == L"--title") o.filter.title = value;
        else if (arg == L"--timeout") o.timeoutSeconds = std::wcstod(value.c_str(), nullptr);
        else if (arg == L"--button") o.caption = value;
        else return std::nullopt;
    }
    if (o.command == L"click" && o.caption.empty()) return std::nullopt;
    return o;
}

std::chrono::milliseconds Timeout(const Options& o) {
    return std::chrono::milliseconds(static_cast<long long>(o.timeoutSeconds * 1000));
}

// Waits for a matching window that has the button, since a dialog's controls may come after it.
std::optional<wintest::TopWindow> WaitForButton(const Options& o) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout(o);
    for (;;) {
        for (const wintest::TopWindow& w : wintest::ListTopLevelWindows(o.filter))
            if (wintest::PressButton(w, o.caption)) return w;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        Sleep(50);
    }
}

int Run(const Options& o) {
    if (o.command == L"list") {
        for (const wintest::TopWindow& w : wintest::ListTopLevelWindows(o.filter)) PrintLine(Json(w));
        return 0;
    }
    if (o.command == L"wait-gone") return wintest::WaitForNoWindow(o.filter, Timeout(o)) ? 0 : 1;
    if (o.command == L"press" || o.command == L"click") {
        const auto pressed = WaitForButton(o);
        if (!pressed) return 1;
        PrintLine("{\"pressed\":" + Json(o.caption) + ",\"window\":" + Json(*pressed) + "}");
        return 0;
    }
    const auto window = wintest::WaitForWindow(o.filter, Timeout(o));
    if (!window) return 1;
    if (o.command == L"wait-window") {
        PrintLine(Json(*window));
        return 0;
    }
    if (o.command == L"messagebox") {
        PrintLine(Json(*window, wintest::ReadMessageBox(*window)));
        return 0;
    }
    if (o.command == L"close") {
        if (!wintest::RequestClose(*window)) return 1;
        PrintLine("{\"closed\":" + Json(*window) + "}");
        return 0;
    }
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const auto options = Parse(argc, argv);
    if (!options) {
        std::fputs("usage: wintool list|wait-window|wait-gone|messagebox|close [FILTER]\n"
                   "       wintool press CAPTION [FILTER]\n"
                   "       wintool click --button CAPTION [FILTER]\n"
                   "FILTER: [--pid N] [--class C] [--title T] [--visible] [--timeout SECONDS]\n",
                   stderr);
        return 2;
    }
    const int status = Run(*options);
    if (status == 2) std::fputs("wintool: unknown command\n", stderr);
    return status;
}
