#pragma once
// In-memory stand-ins for every seam, for fast native tests. They record what the program asked
// for and play back what a test arranged.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "toolkit/os/OsServices.h"

namespace toolkit::memory {

// Key paths compare without regard to ASCII case and ignore empty parts ("A\\B\\" is "a\\b").
class MemoryRegistry final : public RegistryApi {
public:
    struct Value {
        std::uint32_t type = RegType::String;
        std::vector<std::uint8_t> data;
    };

    // Arranging state.
    void AddKey(const String& path);
    void SetString(const String& path, const String& name, const String& text, std::uint32_t type = RegType::String);
    void SetRaw(const String& path, const String& name, std::uint32_t type, std::vector<std::uint8_t> data);
    void DenyFullAccess(const String& path);  // the key opens for reading only
    void DenyCreate(const String& path);      // creating the (absent) key is refused
    void DenyWrite(const String& name);       // writing a value of this name is refused anywhere

    // Inspecting state.
    bool HasKey(const String& path) const;
    std::optional<Value> Get(const String& path, const String& name) const;
    std::size_t OpenHandles() const { return handles_.size(); }

    RegStatus OpenKey(RootKey root, const String& path, KeyAccess access, KeyHandle& key) override;
    RegStatus CreateKey(RootKey root, const String& path, KeyHandle& key) override;
    RegStatus QueryValue(KeyHandle key, const String& name, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) override;
    RegStatus SetValue(KeyHandle key, const String& name, std::uint32_t type,
                       std::span<const std::uint8_t> data) override;
    void CloseKey(KeyHandle key) override;

private:
    struct Key {
        std::map<String, Value> values;  // by upper-cased name
        bool fullAccessDenied = false;
    };
    struct OpenKeyState {
        std::string path;
        KeyAccess access;
    };
    static std::string Normalize(const String& path);
    Key* Find(const String& path);

    std::map<std::string, Key> keys_;  // only HKEY_CURRENT_USER is modelled
    std::map<KeyHandle, OpenKeyState> handles_;
    std::set<std::string> refusedCreates_;
    std::set<String> refusedWrites_;  // upper-cased value names
    KeyHandle nextHandle_ = 0x100;
};

class MemoryProcesses final : public ProcessApi {
public:
    std::uint32_t Start(const String& exeFile, bool canBeTerminated = true);
    bool IsRunning(std::uint32_t processId) const;
    std::vector<std::uint32_t> Running() const;
    std::uint32_t ownProcessId = 1;
    bool snapshotsAvailable = true;

    std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
    bool Terminate(std::uint32_t processId, std::uint32_t exitCode) override;
    std::uint32_t CurrentProcessId() override { return ownProcessId; }

private:
    struct Process {
        String exeFile;
        bool canBeTerminated;
    };
    std::map<std::uint32_t, Process> processes_;
    std::uint32_t nextId_ = 100;
};

// Paths compare without regard to ASCII case, as on Windows.
class MemoryFileSystem final : public FileSystem {
public:
    void Put(const String& path, std::string bytes);
    std::optional<std::string> Read(const String& path) const;
    void Lock(const String& path);          // open by another process without sharing
    void MakeReadOnlyFolder(const String& folder);
    std::vector<String> List() const;

    bool Exists(const String& path) override;
    bool Delete(const String& path) override;
    bool Move(const String& from, const String& to) override;
    std::unique_ptr<WritableFile> CreateAlways(const String& path) override;

    // Called before each write with the file's size so far; throwing there simulates a failing disk.
    std::function<void(const String& path, std::size_t sizeSoFar)> beforeWrite;

private:
    friend class MemoryFile;
    static std::string Key(const String& path);
    bool Writable(const String& path) const;
    struct File {
        String path;
        std::string bytes;
        bool locked = false;
    };
    std::map<std::string, File> files_;
    std::set<std::string> readOnlyFolders_;
};

class MemoryShell final : public ShellApi {
public:
    struct Call {
        String verb, file, parameters, directory;
        int showCommand;
    };
    std::vector<Call> calls;
    std::function<void(const Call&)> onExecute;

    std::intptr_t Execute(const String& verb, const String& file, const String& parameters,
                          const String& directory, int showCommand) override;
};

class MemoryDialogs final : public DialogApi {
public:
    struct Shown {
        String text, caption;
        DialogIcon icon;
    };
    std::vector<Shown> shown;
    std::deque<DialogResult> answers;  // Ok when empty

    DialogResult Show(const String& text, const String& caption, DialogIcon icon) override;
};

// Windows exist as records; the message loop plays a script of user actions queued by the test.
class MemoryWindowing final : public WindowingApi {
public:
    struct Window {
        WindowDefinition definition;
        WindowEvents* events = nullptr;
        bool shown = false;
        bool destroyed = false;
    };
    enum class Action { ClickButton, Close };

    void QueueClick(std::size_t buttonIndex) { script_.push_back({Action::ClickButton, buttonIndex}); }
    void QueueClose() { script_.push_back({Action::Close, 0}); }

    String executablePath = u"C:\\Program Files\\Demo\\DozevedAzovu.exe";
    bool uiThreadInitialized = false;
    std::optional<int> quitCode;       // set by PostQuit
    std::vector<Window> windows;       // every window ever created, in order
    bool loopRan = false;

    void InitializeUiThread() override { uiThreadInitialized = true; }
    std::unique_ptr<NativeWindow> CreateMainWindow(const WindowDefinition& definition,
                                                   WindowEvents& events) override;
    // Runs the script until a quit is posted; a loop that would wait for the user forever
    // with no quit posted and nothing scripted raises std::logic_error.
    int RunMessageLoop(NativeWindow& mainWindow) override;
    void PostQuit(int exitCode) override {
        if (!quitCode) quitCode = exitCode;
    }
    String ExecutablePath() override { return executablePath; }

private:
    std::deque<std::pair<Action, std::size_t>> script_;
};

struct MemoryOs {
    MemoryRegistry registry;
    MemoryProcesses processes;
    MemoryFileSystem files;
    MemoryShell shell;
    MemoryDialogs dialogs;
    MemoryWindowing windowing;

    OsServices Services() { return {registry, processes, files, shell, dialogs, windowing}; }
};

}  // namespace toolkit::memory
