#include "app/DozevedAzovu_f.h"

using toolkit::String;

TfDozevedAzovu::TfDozevedAzovu(toolkit::TApplication& application) : TForm(application) {
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
}

void TfDozevedAzovu::FormCreate(toolkit::TObject*) {}

void TfDozevedAzovu::FormClose(toolkit::TObject*, toolkit::TCloseAction& Action) {
    Action = toolkit::TCloseAction::caFree;
}

void TfDozevedAzovu::Button2Click(toolkit::TObject*) {
    // By full path: a bare name would be looked up along a search order that may find another program.
    Os().shell.Execute(u"open", u"c:\\raver\\raver.exe", u"", u"c:\\raver\\", toolkit::kShowDefault);
}
