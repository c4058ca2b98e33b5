#pragma once
// Seam over MessageBoxW.
#include "toolkit/String.h"

namespace toolkit {

enum class DialogIcon { None, Information, Stop };
enum class DialogResult { Ok, Cancel, Other };

class DialogApi {
public:
    virtual ~DialogApi() = default;
    // A modal box with a single OK button.
    virtual DialogResult Show(const String& text, const String& caption, DialogIcon icon) = 0;
};

}  // namespace toolkit
