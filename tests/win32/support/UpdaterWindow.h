#pragma once
// Starting the updater and waiting for its window to be on screen.
#include <chrono>
#include <optional>
#include <string>

#include "tests/win32/probe/WindowProbe.h"
#include "tests/win32/support/ChildProcess.h"

namespace wintest {

// The updater's window shows only after its creation handler is done; a message box that the
// handler leaves on the way (an error it reports) is acknowledged with OK and noted in `notes`.
std::optional<TopWindow> WaitForVisibleWindow(const ChildProcess& process, const std::wstring& className,
                                              std::chrono::milliseconds timeout, std::string& notes);

}  // namespace wintest
