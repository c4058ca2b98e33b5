#pragma once
// The application object, forms and buttons: the program's window layer over the windowing seam.
// Errors leaving an event handler are shown in the standard error box and the program carries on.
#include <functional>
#include <memory>
#include <vector>

#include "toolkit/os/OsServices.h"

namespace toolkit {

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

enum class TPosition { poDesigned, poDefaultPosOnly };
enum class TFormBorderStyle { bsSizeable, bsSingle };
enum class TColor { clBtnFace, clWindow, clWindowText };

struct TFont {
    String Name = u"Tahoma";
    int Height = -11;
    TColor Color = TColor::clWindowText;
};

class TButton : public TObject {
public:
    int Left = 0, Top = 0, Width = 75, Height = 25;
    String Caption;
    int TabOrder = 0;
    TNotifyEvent OnClick;
};

class TApplication;

class TForm : public TObject {
public:
    explicit TForm(TApplication& application);
    ~TForm() override;

    TApplication& Application() const { return application_; }

    String Caption;
    TPosition Position = TPosition::poDefaultPosOnly;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    int ClientWidth = 0, ClientHeight = 0;
    TColor Color = TColor::clBtnFace;
    TFont Font;
    TNotifyEvent OnCreate;
    TCloseEvent OnClose;

    // Runs OnClose; any action other than caNone ends the application, as this is its main form.
    void Close();

protected:
    // Buttons live as members of the derived form; it lists them here in any order.
    void AddButton(TButton& button) { buttons_.push_back(&button); }
    // The window class name; forms are told apart by it.
    virtual String ClassName() const = 0;
    // Runs once the form's settings are in place, before its window exists; an error here
    // ends the creation of the form.
    virtual void Loaded() {}

private:
    friend class TApplication;
    class Events;
    WindowDefinition Definition() const;
    void CreateWindowAndRunOnCreate();

    TApplication& application_;
    std::vector<TButton*> buttons_;
    std::unique_ptr<Events> events_;
    std::unique_ptr<NativeWindow> window_;
};

class TApplication {
public:
    explicit TApplication(OsServices os);
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    OsServices& Os() { return os_; }

    void Initialize();
    bool MainFormOnTaskbar = false;
    String Title() const;
    String ExeName() const;

    // Constructs the form (its constructor loads it; an error there goes to the caller), creates
    // its window, then runs its OnCreate. The first form created becomes the main form.
    template <typename Form, typename... Args>
    Form& CreateForm(Args&&... args) {
        auto form = std::make_unique<Form>(*this, std::forward<Args>(args)...);
        Form& ref = *form;
        AdoptForm(std::move(form));
        return ref;
    }

    // Shows the main form and handles messages until a termination request is taken.
    void Run();
    // Posts the quit message and returns at once.
    void Terminate();

    // The standard error box for an error that left an event handler; the program carries on.
    void HandleException(std::exception_ptr error);
    // Runs an event handler with the standard error routing.
    void RunHandler(const std::function<void()>& handler) noexcept;

private:
    void AdoptForm(std::unique_ptr<TForm> form);

    OsServices os_;
    std::vector<std::unique_ptr<TForm>> forms_;
    bool initialized_ = false;
};

// The program body: runs `body` and turns an error leaving it into the unhandled-error report
// (a box naming the error's class and message). Returns the exit status: 0, or 1 after an error.
int RunProgram(OsServices os, const std::function<void(TApplication&)>& body);

}  // namespace toolkit
