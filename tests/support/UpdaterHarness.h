#pragma once
// Runs the updater's program body natively: in-memory seams for the system, a real test
// database server on a free loopback port for the data.
#include <memory>
#include <string>

#include "app/DozevedAzovu_f.h"
#include "support/Testdb.h"
#include "toolkit/memory/MemoryOs.h"

namespace updater::test {

inline const toolkit::String kSettingsKey = u"SOFTWARE\\RAVER\\";
inline const toolkit::String kProgramFolder = u"C:\\Программы\\Raver\\";

class UpdaterHarness {
public:
    UpdaterHarness();

    oracle::test::Testdb db;
    toolkit::memory::MemoryOs os;

    // The database server the updater talks to; changes to the database show without a restart.
    void StartServer(const std::vector<std::string>& options = {});
    void StopServer() { server_.reset(); }
    toolkit::String ServerAddress() const;

    // One start of the updater, as its entry runs it. Returns the exit status.
    int Run();
    // The update window with its session pointed at ServerAddress(), not yet loaded.
    std::unique_ptr<TfDozevedAzovu> MakeWindow(toolkit::TApplication& app);

    // Convenience views of the outcome.
    std::string File(const toolkit::String& name) const;  // "<absent>" when missing
    toolkit::String Setting(const toolkit::String& name) const;  // "<absent>" when missing
    std::vector<toolkit::String> DialogTexts() const;

private:
    std::unique_ptr<oracle::test::Testdb::Server> server_;
};

}  // namespace updater::test
