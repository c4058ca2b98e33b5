#include "tests/win32/support/UpdaterWindow.h"

#include <thread>

namespace wintest {

std::optional<TopWindow> WaitForVisibleWindow(const ChildProcess& process, const std::wstring& className,
                                              std::chrono::milliseconds timeout, std::string& notes) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const WindowFilter window{process.Id(), className, {}, true};
    const WindowFilter box{process.Id(), kDialogClass, {}, true};
    while (std::chrono::steady_clock::now() < deadline && process.IsRunning()) {
        if (auto found = ListTopLevelWindows(window); !found.empty()) return found.front();
        for (const TopWindow& shown : ListTopLevelWindows(box)) {
            const MessageBoxContent content = ReadMessageBox(shown);
            if (PressButton(shown, L"OK")) notes += "acknowledged box \"" + ToUtf8(content.text) + "\"\n";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

}  // namespace wintest
