#include "toolkit/Forms.h"

#include <algorithm>

#include "toolkit/ErrorText.h"
#include "toolkit/Exception.h"

namespace toolkit {

// Routes window notifications to the form's handlers; never lets an error through to the system.
class TForm::Events final : public WindowEvents {
public:
    explicit Events(TForm& form) : form_(form) {}

    void ButtonClicked(std::size_t index) noexcept override {
        if (index >= form_.buttons_.size()) return;
        TButton& button = *form_.buttons_[index];
        if (button.OnClick) form_.application_.RunHandler([&] { button.OnClick(&button); });
    }

    void CloseRequested() noexcept override { form_.application_.RunHandler([&] { form_.Close(); }); }

private:
    TForm& form_;
};

TForm::TForm(TApplication& application) : application_(application) {}

TForm::~TForm() = default;

void TForm::Close() {
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action != TCloseAction::caNone) application_.Terminate();
}

WindowDefinition TForm::Definition() const {
    WindowDefinition def;
    def.className = ClassName();
    def.caption = Caption;
    def.clientWidth = ClientWidth;
    def.clientHeight = ClientHeight;
    def.sizeable = BorderStyle == TFormBorderStyle::bsSizeable;
    def.ownTaskbarButton = application_.MainFormOnTaskbar;
    def.font = {Font.Name, Font.Height};
    for (const TButton* b : buttons_) def.buttons.push_back({b->Left, b->Top, b->Width, b->Height, b->Caption});
    return def;
}

void TForm::CreateWindowAndRunOnCreate() {
    Loaded();
    // Window buttons arrive in tab order; keep the index mapping the same.
    std::stable_sort(buttons_.begin(), buttons_.end(),
                     [](const TButton* a, const TButton* b) { return a->TabOrder < b->TabOrder; });
    events_ = std::make_unique<Events>(*this);
    window_ = application_.Os().windowing.CreateMainWindow(Definition(), *events_);
    if (OnCreate) application_.RunHandler([&] { OnCreate(this); });
}

TApplication::TApplication(OsServices os) : os_(os) {}

TApplication::~TApplication() {
    // Forms go before the application; the last one created goes first.
    while (!forms_.empty()) forms_.pop_back();
}

void TApplication::Initialize() {
    if (initialized_) return;
    os_.windowing.InitializeUiThread();
    initialized_ = true;
}

String TApplication::ExeName() const { return os_.windowing.ExecutablePath(); }

String TApplication::Title() const {
    const String path = ExeName();
    const auto slash = path.find_last_of(u"\\/");
    String name = slash == String::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of(u'.');
    if (dot != String::npos && dot > 0) name.resize(dot);
    return name;
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
    TForm& ref = *form;
    forms_.push_back(std::move(form));
    try {
        ref.CreateWindowAndRunOnCreate();
    } catch (...) {
        forms_.pop_back();
        throw;
    }
}

void TApplication::Run() {
    if (forms_.empty()) return;
    os_.windowing.RunMessageLoop(*forms_.front()->window_);
}

void TApplication::Terminate() { os_.windowing.PostQuit(0); }

void TApplication::HandleException(std::exception_ptr error) {
    const ErrorText text = DescribeError(error);
    os_.dialogs.Show(text.message, Title(), DialogIcon::Stop);
}

void TApplication::RunHandler(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        try {
            HandleException(std::current_exception());
        } catch (...) {
            // Nothing is left to report with when the error box itself fails.
        }
    }
}

int RunProgram(OsServices os, const std::function<void(TApplication&)>& body) {
    std::exception_ptr failure;
    String title;
    {
        TApplication application(os);
        try {
            title = application.Title();
            body(application);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (!failure) return 0;
    try {
        const ErrorText text = DescribeError(failure);
        os.dialogs.Show(u"Исключение " + text.className + u": " + text.message, title, DialogIcon::Stop);
    } catch (...) {
    }
    return 1;
}

}  // namespace toolkit
