#pragma once
// Real files on a POSIX system, for the native tools and tests; paths are UTF-8 on disk.
#include "toolkit/os/FileSystem.h"

namespace toolkit::posix {

class PosixFileSystem final : public FileSystem {
public:
    bool Exists(const String& path) override;
    bool Delete(const String& path) override;
    bool Move(const String& from, const String& to) override;
    std::unique_ptr<WritableFile> CreateAlways(const String& path) override;
};

}  // namespace toolkit::posix
