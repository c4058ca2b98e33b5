#pragma once
// The update window: the program's only window. All of the updater's work runs in its creation
// handler; the window is on screen only when an error has been left for the user to see.
#include <cstdint>

#include "toolkit/Forms.h"

class TfDozevedAzovu : public toolkit::TForm {
public:
    explicit TfDozevedAzovu(toolkit::TApplication& application);

    toolkit::TButton Button1;
    toolkit::TButton Button2;

    // Event handlers.
    void FormCreate(toolkit::TObject* Sender);
    void FormClose(toolkit::TObject* Sender, toolkit::TCloseAction& Action);
    void Button1Click(toolkit::TObject* Sender);
    void Button2Click(toolkit::TObject* Sender);

    // Settings under the current user's key.
    void ReadSetting(const toolkit::String& key, const toolkit::String& name, toolkit::String& value);
    void WriteSetting(const toolkit::String& key, const toolkit::String& name, const toolkit::String& value);
    std::int32_t ReadProgramId();
    std::int32_t ReadInstalledVersion(std::int32_t programId);

    // Ends every running copy of a program by its executable name, wherever it was started from.
    void StopProcesses(const toolkit::String& name);
    // Whether a process's executable text names the program `name`: its file-name part (after the
    // last backslash or colon) or the whole text equals `name`, comparing ASCII letters without
    // case and every other character exactly.
    static bool ExecutableNameMatches(toolkit::StringView exeFile, toolkit::StringView name);

    // A file name from the database that names a file in the program folder and nothing else:
    // no folder parts, no stream or device names, nothing Windows would silently change.
    static bool IsPlainFileName(toolkit::StringView name);

protected:
    toolkit::String ClassName() const override { return u"TfDozevedAzovu"; }

private:
    toolkit::OsServices& Os() { return Application().Os(); }
};
