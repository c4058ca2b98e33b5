#pragma once
// Seam over ShellExecuteW.
#include <cstdint>

#include "toolkit/String.h"

namespace toolkit {

constexpr int kShowDefault = 10;  // SW_SHOWDEFAULT

class ShellApi {
public:
    virtual ~ShellApi() = default;
    // Starts a program without an owner window; returns the system's result code (> 32 is success).
    virtual std::intptr_t Execute(const String& verb, const String& file, const String& parameters,
                                  const String& directory, int showCommand) = 0;
};

}  // namespace toolkit
