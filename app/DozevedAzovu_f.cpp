#include "app/DozevedAzovu_f.h"

#include "app/DatabaseSettings.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Exception.h"

using toolkit::String;

TfDozevedAzovu::TfDozevedAzovu(toolkit::TApplication& application)
    : TForm(application), OraSession1(application.Os().files) {
    Caption = u"Обновление системы";
    Position = toolkit::TPosition::poDefaultPosOnly;
    BorderStyle = toolkit::TFormBorderStyle::bsSizeable;
    ClientWidth = 447;
    ClientHeight = 202;
    Color = toolkit::TColor::clBtnFace;
    Font = {u"Tahoma", -11, toolkit::TColor::clWindowText};
    OnCreate = [this](toolkit::TObject* sender) { FormCreate(sender); };
    OnClose = [this](toolkit::TObject* sender, toolkit::TCloseAction& action) { FormClose(sender, action); };

    Button1.Left = 136, Button1.Top = 128, Button1.Width = 75, Button1.Height = 25;
    Button1.Caption = u"Button1";
    Button1.TabOrder = 0;
    Button1.OnClick = [this](toolkit::TObject* sender) { Button1Click(sender); };
    AddButton(Button1);

    Button2.Left = 240, Button2.Top = 128, Button2.Width = 75, Button2.Height = 25;
    Button2.Caption = u"Button2";
    Button2.TabOrder = 1;
    Button2.OnClick = [this](toolkit::TObject* sender) { Button2Click(sender); };
    AddButton(Button2);

    OraSession1.Options.Direct = true;
    OraSession1.Server = toolkit::Utf8ToString(kDatabaseHost) + u":17521:dovizuza";
    OraSession1.Username = toolkit::Utf8ToString(kDatabaseUser);
    OraSession1.Password = toolkit::Utf8ToString(kDatabasePassword);
    if (kTestInactivityTimeout) OraSession1.SetInactivityTimeoutForTesting(*kTestInactivityTimeout);
    OraQuery1.Session = &OraSession1;
}

void TfDozevedAzovu::Loaded() { OraSession1.Connect(); }

void TfDozevedAzovu::FormCreate(toolkit::TObject*) {
    if (CheckConnection()) {
        RunUpdate();
    } else {
        Application().Terminate();
    }
}

bool TfDozevedAzovu::CheckConnection() {
    try {
        if (!OraSession1.Connected()) {
            try {
                OraSession1.Connect();
            } catch (const toolkit::Exception&) {
                if (toolkit::ShowInformation(Application(), u"Обновление отложено") == toolkit::DialogResult::Ok)
                    return false;
            }
        }
    } catch (...) {
        // An error of another kind, or one raised while the box was up: one more attempt,
        // whose failure is left to the caller.
        OraSession1.Connect();
    }
    return OraSession1.Connected();
}

void TfDozevedAzovu::FormClose(toolkit::TObject*, toolkit::TCloseAction& Action) {
    Action = toolkit::TCloseAction::caFree;
}

void TfDozevedAzovu::Button2Click(toolkit::TObject*) {
    // By full path: a bare name would be looked up along a search order that may find another program.
    Os().shell.Execute(u"open", u"c:\\raver\\raver.exe", u"", u"c:\\raver\\", toolkit::kShowDefault);
}
