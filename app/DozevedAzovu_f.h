#pragma once
// The update window: the program's only window. All of the updater's work runs in its creation
// handler; the window is on screen only when an error has been left for the user to see.
#include <cstdint>

#include "oracle/OraQuery.h"
#include "oracle/OraSession.h"
#include "toolkit/Forms.h"

class TfDozevedAzovu : public toolkit::TForm {
public:
    explicit TfDozevedAzovu(toolkit::TApplication& application);

    toolkit::TButton Button1;
    toolkit::TButton Button2;
    oracle::TOraSession OraSession1;
    oracle::TOraQuery OraQuery1;

    // Event handlers.
    void FormCreate(toolkit::TObject* Sender);
    void FormClose(toolkit::TObject* Sender, toolkit::TCloseAction& Action);
    void Button1Click(toolkit::TObject* Sender);
    void Button2Click(toolkit::TObject* Sender);

    // True when the database session is open at the end of the check.
    bool CheckConnection();
    // The update run; ends with a termination request unless an error leaves it early.
    void RunUpdate();

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
    // The session opens as soon as the window's settings are in place.
    void Loaded() override;

private:
    // What the newest published build is, as the latest-build query gave it.
    struct UpdatePlan {
        std::int32_t programId = 0;
        std::int32_t latestVersion = 0;
        toolkit::String programFolder;
        toolkit::String fileName;
        toolkit::String versionName;
        toolkit::String Executable() const { return programFolder + fileName; }
        toolkit::String Backup() const { return programFolder + u"bak_" + fileName; }
        toolkit::String Download() const { return programFolder + u"new_" + fileName; }
    };
    // How far a replacement got, for putting things back after a failure.
    struct ReplacementState {
        bool filesTouched = false;
        bool executableReplaced = false;
    };

    toolkit::OsServices& Os() { return Application().Os(); }
    toolkit::String ProgramFolder();
    void ReplaceExecutable(const UpdatePlan& plan, ReplacementState& state);
    void CheckBuildContent(const UpdatePlan& plan);
    void RecoverFromFailedUpdate(const UpdatePlan& plan, const ReplacementState& state) noexcept;
};
