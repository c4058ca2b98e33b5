#include "toolkit/win32/Wide.h"
#include <shellapi.h>

#include "toolkit/win32/Win32Os.h"

namespace toolkit::win32 {

std::intptr_t Win32Shell::Execute(const String& verb, const String& file, const String& parameters,
                                  const String& directory, int showCommand) {
    HINSTANCE result = ShellExecuteW(nullptr, Wide(verb), Wide(file), parameters.empty() ? nullptr : Wide(parameters),
                                     directory.empty() ? nullptr : Wide(directory), showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace toolkit::win32
