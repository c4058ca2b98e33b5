#include "toolkit/Dialogs.h"

namespace toolkit {

void ShowMessage(TApplication& application, const String& text) {
    application.Os().dialogs.Show(text, application.Title(), DialogIcon::None);
}

DialogResult ShowInformation(TApplication& application, const String& text) {
    return application.Os().dialogs.Show(text, u"Information", DialogIcon::Information);
}

}  // namespace toolkit
