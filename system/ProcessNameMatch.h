#pragma once
#include "toolkit/String.h"

// Whether a process's executable text names the program `name`: its file-name part (after the last
// backslash or colon) or the whole text equals `name`, comparing ASCII letters without case and
// every other character exactly.
bool ExecutableNameMatches(toolkit::StringView exeFile, toolkit::StringView name);
