#pragma once
// Tells which of the system's standard icons an icon control of another process shows.
#include <windows.h>

#include "tests/win32/probe/WindowProbe.h"

namespace wintest {

// Icon handles are compared first; where the system gives each process its own copy of the
// standard icons, the control's pixels on the screen are compared with each standard icon drawn
// the same size on the same background, and the nearest one is taken.
IconKind ClassifyIcon(HWND iconControl);

}  // namespace wintest
