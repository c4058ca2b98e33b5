#pragma once
// The Win32 side of every seam: direct wrappers of the system calls.
#include "toolkit/os/OsServices.h"

namespace toolkit::win32 {

class Win32Registry final : public RegistryApi {
public:
    RegStatus OpenKey(RootKey root, const String& path, KeyAccess access, KeyHandle& key) override;
    RegStatus CreateKey(RootKey root, const String& path, KeyHandle& key) override;
    RegStatus QueryValue(KeyHandle key, const String& name, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) override;
    RegStatus SetValue(KeyHandle key, const String& name, std::uint32_t type,
                       std::span<const std::uint8_t> data) override;
    void CloseKey(KeyHandle key) override;
};

class Win32Processes final : public ProcessApi {
public:
    std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
    bool Terminate(std::uint32_t processId, std::uint32_t exitCode) override;
    std::uint32_t CurrentProcessId() override;
};

class Win32FileSystem final : public FileSystem {
public:
    bool Exists(const String& path) override;
    bool Delete(const String& path) override;
    bool Move(const String& from, const String& to) override;
    std::unique_ptr<WritableFile> CreateAlways(const String& path) override;
};

class Win32Shell final : public ShellApi {
public:
    std::intptr_t Execute(const String& verb, const String& file, const String& parameters,
                          const String& directory, int showCommand) override;
};

class Win32Dialogs final : public DialogApi {
public:
    DialogResult Show(const String& text, const String& caption, DialogIcon icon) override;
};

class Win32Windowing final : public WindowingApi {
public:
    Win32Windowing();
    ~Win32Windowing() override;
    void InitializeUiThread() override;
    std::unique_ptr<NativeWindow> CreateMainWindow(const WindowDefinition& definition,
                                                   WindowEvents& events) override;
    int RunMessageLoop(NativeWindow& mainWindow) override;
    void PostQuit(int exitCode) override;
    String ExecutablePath() override;

private:
    bool comInitialized_ = false;
};

// All seams of the real system, owned together.
struct Win32Os {
    Win32Registry registry;
    Win32Processes processes;
    Win32FileSystem files;
    Win32Shell shell;
    Win32Dialogs dialogs;
    Win32Windowing windowing;

    OsServices Services() { return {registry, processes, files, shell, dialogs, windowing}; }
};

}  // namespace toolkit::win32
