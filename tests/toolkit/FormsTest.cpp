#include <gtest/gtest.h>

#include "toolkit/Exception.h"
#include "toolkit/Forms.h"
#include "toolkit/memory/MemoryOs.h"

using toolkit::DialogIcon;
using toolkit::String;
using toolkit::TApplication;
using toolkit::memory::MemoryOs;

namespace {

enum class Fault { None, InConstructor, InOnCreate, InOnCreateStd, InClick };

// A form of the tests' own whose handlers fail on request.
class ProbeForm : public toolkit::TForm {
public:
    static inline Fault fault = Fault::None;

    explicit ProbeForm(TApplication& app) : TForm(app) {
        if (fault == Fault::InConstructor) throw toolkit::EDatabaseError(u"нет связи с сервером");
        Caption = u"Probe";
        ClientWidth = 100, ClientHeight = 50;
        OnCreate = [this](toolkit::TObject*) {
            createRan = true;
            if (fault == Fault::InOnCreate) throw toolkit::EConvertError(u"'abc' не является допустимым целым числом");
            if (fault == Fault::InOnCreateStd) throw std::runtime_error("plain failure");
        };
        OnClose = [](toolkit::TObject*, toolkit::TCloseAction& action) { action = toolkit::TCloseAction::caFree; };
        Ok.Caption = u"OK";
        Ok.OnClick = [](toolkit::TObject*) {
            if (fault == Fault::InClick) throw toolkit::Exception(u"нажата");
        };
        AddButton(Ok);
    }
    toolkit::TButton Ok;
    bool createRan = false;

protected:
    String ClassName() const override { return u"TProbeForm"; }
};


// Runs a program body as the entry does; the test queues the user's actions beforehand.
int RunProbe(MemoryOs& os, Fault fault) {
    ProbeForm::fault = fault;
    return toolkit::RunProgram(os.Services(), [](TApplication& app) {
        app.Initialize();
        app.MainFormOnTaskbar = true;
        app.CreateForm<ProbeForm>();
        app.Run();
    });
}

}  // namespace

TEST(Application, ErrorLeavingTheCreationHandlerIsShownAndTheWindowStays) {
    for (Fault fault : {Fault::InOnCreate, Fault::InOnCreateStd}) {
        MemoryOs os;
        os.windowing.QueueClose();  // the user closes the window that stayed open
        EXPECT_EQ(RunProbe(os, fault), 0);
        ASSERT_EQ(os.dialogs.shown.size(), 1u);
        const auto& box = os.dialogs.shown[0];
        EXPECT_EQ(box.icon, DialogIcon::Stop);
        EXPECT_EQ(box.caption, u"DozevedAzovu");
        EXPECT_EQ(box.text, fault == Fault::InOnCreate ? u"'abc' не является допустимым целым числом" : u"plain failure");
        ASSERT_EQ(os.windowing.windows.size(), 1u);
        EXPECT_TRUE(os.windowing.windows[0].shown);
        EXPECT_TRUE(os.windowing.windows[0].destroyed);
        EXPECT_EQ(os.windowing.quitCode, 0);
    }
}

TEST(Application, ErrorWhileTheFormIsBuiltEndsWithTheReportAndStatusOne) {
    MemoryOs os;
    EXPECT_EQ(RunProbe(os, Fault::InConstructor), 1);
    ASSERT_EQ(os.dialogs.shown.size(), 1u);
    EXPECT_EQ(os.dialogs.shown[0].text, u"Исключение EDatabaseError: нет связи с сервером");
    EXPECT_EQ(os.dialogs.shown[0].icon, DialogIcon::Stop);
    EXPECT_TRUE(os.windowing.windows.empty());  // never shown, never even created
    EXPECT_FALSE(os.windowing.loopRan);
}

TEST(Application, ErrorInAButtonHandlerIsShownAndTheLoopGoesOn) {
    MemoryOs os;
    os.windowing.QueueClick(0);
    os.windowing.QueueClick(0);
    os.windowing.QueueClose();
    EXPECT_EQ(RunProbe(os, Fault::InClick), 0);
    ASSERT_EQ(os.dialogs.shown.size(), 2u);
    EXPECT_EQ(os.dialogs.shown[1].text, u"нажата");
}

TEST(Application, StartsComBeforeAnythingElseAndTerminateOnlyPostsTheQuit) {
    MemoryOs os;
    ProbeForm::fault = Fault::None;
    bool workAfterTerminateRan = false;
    const int status = toolkit::RunProgram(os.Services(), [&](TApplication& app) {
        app.Initialize();
        EXPECT_TRUE(os.windowing.uiThreadInitialized);
        auto& form = app.CreateForm<ProbeForm>();
        EXPECT_TRUE(form.createRan);
        app.Terminate();
        workAfterTerminateRan = true;
        EXPECT_FALSE(os.windowing.loopRan);
        app.Run();  // takes the quit at once
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(workAfterTerminateRan);
    EXPECT_TRUE(os.windowing.windows[0].shown);
    EXPECT_TRUE(os.dialogs.shown.empty());
}
