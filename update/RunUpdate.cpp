// The update run: compare the installed build with the newest published one and, when that is
// newer, replace the managed program's executable beside the updater, keeping a backup until the
// new build is in place and recorded.
#include "app/DozevedAzovu_f.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Exception.h"

using toolkit::String;

namespace {

const String kSettingsKey = u"SOFTWARE\\RAVER\\";

String LatestBuildQuery(std::int32_t programId) {
    return u"select ID_VERSION,Name_File,Name_Version from LIST_VERSION where ID_VERSION=(select max(id_version) "
           u"from LIST_VERSION where ID_PROGRAM=" +
           toolkit::IntToStr(programId) + u")";
}

String BuildContentQuery(std::int32_t programId) {
    return u"select * from LIST_VERSION where ID_VERSION=(select max(id_version) from LIST_VERSION where "
           u"ID_PROGRAM=" +
           toolkit::IntToStr(programId) + u")";
}

}  // namespace

String TfDozevedAzovu::ProgramFolder() {
    const String path = Application().ExeName();
    return path.substr(0, path.find_last_of(u"\\/:") + 1);
}

void TfDozevedAzovu::RunUpdate() {
    UpdatePlan plan;
    plan.programId = ReadProgramId();
    const std::int32_t installedVersion = ReadInstalledVersion(plan.programId);

    OraQuery1.SQL = LatestBuildQuery(plan.programId);
    OraQuery1.Open();
    if (OraQuery1.RecordCount() > 0) {
        plan.latestVersion = OraQuery1.FieldByName(u"ID_VERSION").AsInteger();
        plan.programFolder = ProgramFolder();
        plan.fileName = OraQuery1.FieldByName(u"NAME_FILE").AsString();
        plan.versionName = OraQuery1.FieldByName(u"NAME_VERSION").AsString();
    }

    ReplacementState state;
    try {
        if (plan.latestVersion > installedVersion) ReplaceExecutable(plan, state);
        Application().Terminate();
    } catch (...) {
        RecoverFromFailedUpdate(plan, state);
    }
}

void TfDozevedAzovu::ReplaceExecutable(const UpdatePlan& plan, ReplacementState& state) {
    OraQuery1.Close();
    OraQuery1.SQL = BuildContentQuery(plan.programId);
    OraQuery1.Open();
    CheckBuildContent(plan);

    toolkit::FileSystem& files = Os().files;
    const String executable = plan.Executable(), backup = plan.Backup(), download = plan.Download();

    state.filesTouched = true;
    StopProcesses(OraQuery1.FieldByName(u"NAME_FILE").AsString());
    if (files.Exists(backup)) files.Delete(backup);
    files.Move(executable, backup);  // fails quietly on a first installation

    // The new build goes to a file of its own first, so a failed download never leaves a
    // truncated program at the executable's name.
    static_cast<oracle::TBlobField&>(OraQuery1.FieldByName(u"FILE_EXE")).SaveToFile(download);
    if (!files.Move(download, executable))
        throw toolkit::EInOutError(u"Не удалось поместить новую версию на место файла " + executable);
    state.executableReplaced = true;

    WriteSetting(kSettingsKey, u"Version_" + toolkit::IntToStr(plan.programId), toolkit::IntToStr(plan.latestVersion));
    WriteSetting(kSettingsKey, u"NameVersion", plan.versionName);

    // By full path: a bare name would be looked up along a search order that may find another program.
    Os().shell.Execute(u"open", executable, u"", plan.programFolder, toolkit::kShowDefault);
    if (files.Exists(backup)) files.Delete(backup);
}

void TfDozevedAzovu::CheckBuildContent(const UpdatePlan& plan) {
    const auto refuse = [](const String& why) { return toolkit::EDatabaseError(u"Сборка не может быть установлена: " + why); };
    if (OraQuery1.RecordCount() == 0) throw refuse(u"строка сборки не найдена");
    if (OraQuery1.FieldByName(u"ID_VERSION").AsInteger() != plan.latestVersion)
        throw refuse(u"строка сборки изменилась между запросами");
    if (OraQuery1.FieldByName(u"NAME_FILE").AsString() != plan.fileName)
        throw refuse(u"имя файла сборки изменилось между запросами");
    if (!IsPlainFileName(plan.fileName)) throw refuse(u"недопустимое имя файла «" + plan.fileName + u"»");
    if (OraQuery1.FieldByName(u"FILE_EXE").IsNull()) throw refuse(u"в строке сборки нет файла");
}

void TfDozevedAzovu::RecoverFromFailedUpdate(const UpdatePlan& plan, const ReplacementState& state) noexcept {
    try {
        toolkit::ShowMessage(Application(), u"Ошибка при обновлении");
    } catch (...) {
        // The restore below matters more than the message.
    }
    if (state.filesTouched) {
        toolkit::FileSystem& files = Os().files;
        const String executable = plan.Executable(), backup = plan.Backup(), download = plan.Download();
        if (files.Exists(download)) files.Delete(download);
        // The old build comes back only if the new one is out of its way.
        if (state.executableReplaced && files.Exists(backup)) files.Delete(executable);
        if (files.Exists(backup)) files.Move(backup, executable);
    }
    Application().Terminate();
}
