#pragma once
// The operating-system services the program touches, handed to it as one bundle.
#include "toolkit/os/Dialogs.h"
#include "toolkit/os/FileSystem.h"
#include "toolkit/os/Processes.h"
#include "toolkit/os/Registry.h"
#include "toolkit/os/Shell.h"
#include "toolkit/os/Windowing.h"

namespace toolkit {

struct OsServices {
    RegistryApi& registry;
    ProcessApi& processes;
    FileSystem& files;
    ShellApi& shell;
    DialogApi& dialogs;
    WindowingApi& windowing;
};

}  // namespace toolkit
