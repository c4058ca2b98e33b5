#include "toolkit/win32/Win32Os.h"
#include "toolkit/win32/Wide.h"

namespace toolkit::win32 {

DialogResult Win32Dialogs::Show(const String& text, const String& caption, DialogIcon icon) {
    UINT flags = MB_OK | MB_SETFOREGROUND;
    if (icon == DialogIcon::Information) flags |= MB_ICONINFORMATION;
    if (icon == DialogIcon::Stop) flags |= MB_ICONSTOP;
    switch (MessageBoxW(GetActiveWindow(), Wide(text), Wide(caption), flags)) {
        case IDOK: return DialogResult::Ok;
        case IDCANCEL: return DialogResult::Cancel;
        default: return DialogResult::Other;
    }
}

}  // namespace toolkit::win32
