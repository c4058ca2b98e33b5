// A window program of the tests' own on the toolkit, for the error routing of the application
// object: `--fail-in-create` raises from the creation handler, `--fail-in-constructor` while the
// form is being built. Without a flag it just shows its window until closed.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "toolkit/Exception.h"
#include "toolkit/Forms.h"
#include "toolkit/win32/Win32Os.h"

namespace {

TOOLKIT_DECLARE_EXCEPTION(ETestFormError, toolkit::Exception);

enum class Failure { None, InCreate, InConstructor };

Failure FailureFromCommandLine() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Failure failure = Failure::None;
    for (int i = 1; argv && i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--fail-in-create") == 0) failure = Failure::InCreate;
        if (std::wcscmp(argv[i], L"--fail-in-constructor") == 0) failure = Failure::InConstructor;
    }
    LocalFree(argv);
    return failure;
}

class TTestForm : public toolkit::TForm {
public:
    TTestForm(toolkit::TApplication& application, Failure failure) : TForm(application) {
        if (failure == Failure::InConstructor) throw ETestFormError(u"Сбой при загрузке окна");
        Caption = u"Тестовое окно";
        ClientWidth = 300;
        ClientHeight = 120;
        Button1.Left = 16, Button1.Top = 16;
        Button1.Caption = u"Button1";
        AddButton(Button1);
        OnCreate = [failure](toolkit::TObject*) {
            if (failure == Failure::InCreate) throw ETestFormError(u"Сбой в обработчике создания");
        };
        OnClose = [](toolkit::TObject*, toolkit::TCloseAction& action) { action = toolkit::TCloseAction::caFree; };
    }

    toolkit::TButton Button1;

protected:
    toolkit::String ClassName() const override { return u"TTestForm"; }
};

// CreateForm builds forms from the application alone; this one also learns what to fail at.
template <Failure failure>
class TConfiguredTestForm : public TTestForm {
public:
    explicit TConfiguredTestForm(toolkit::TApplication& application) : TTestForm(application, failure) {}
};

template <Failure failure>
void RunWith(toolkit::TApplication& application) {
    application.Initialize();
    application.MainFormOnTaskbar = true;
    application.CreateForm<TConfiguredTestForm<failure>>();
    application.Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    toolkit::win32::Win32Os os;
    const Failure failure = FailureFromCommandLine();
    return toolkit::RunProgram(os.Services(), [failure](toolkit::TApplication& application) {
        switch (failure) {
            case Failure::None: RunWith<Failure::None>(application); break;
            case Failure::InCreate: RunWith<Failure::InCreate>(application); break;
            case Failure::InConstructor: RunWith<Failure::InConstructor>(application); break;
        }
    });
}
