// Stopping running copies of the managed program, by hand (Button1) or before it is replaced.
#include <algorithm>

#include "app/DozevedAzovu_f.h"

void TfDozevedAzovu::StopProcesses(const toolkit::String& name) {
    toolkit::ProcessApi& processes = Os().processes;
    // The updater may share the managed program's name; ending itself would leave the update half done.
    const std::uint32_t ownProcess = processes.CurrentProcessId();
    const auto snapshot = processes.TakeSnapshot();
    toolkit::ProcessEntry entry;
    for (bool fetched = snapshot->First(entry); fetched; fetched = snapshot->Next(entry)) {
        const auto end = std::find(entry.exeFile.begin(), entry.exeFile.end(), u'\0');
        const toolkit::StringView exeFile(entry.exeFile.data(), static_cast<std::size_t>(end - entry.exeFile.begin()));
        if (entry.processId != ownProcess && ExecutableNameMatches(exeFile, name))
            processes.Terminate(entry.processId, 0);  // one that cannot be stopped is passed over
    }
}

void TfDozevedAzovu::Button1Click(toolkit::TObject*) { StopProcesses(u"raver.exe"); }
