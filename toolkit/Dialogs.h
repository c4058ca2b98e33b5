#pragma once
// The toolkit's two ready-made boxes.
#include "toolkit/Forms.h"

namespace toolkit {

// A plain message box: the application title as caption, no icon, an OK button.
void ShowMessage(TApplication& application, const String& text);

// The information box: caption "Information", the information icon and a single OK button.
DialogResult ShowInformation(TApplication& application, const String& text);

}  // namespace toolkit
