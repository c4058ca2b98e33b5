#pragma once
// Seam over the file operations the program uses. The Win32 implementation wraps
// GetFileAttributesW, DeleteFileW, MoveFileW, CreateFileW, WriteFile and FlushFileBuffers;
// the in-memory one backs unit tests; the POSIX one lets native tools write real files.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "toolkit/String.h"

namespace toolkit {

// A file opened for reading and writing without sharing. Closed when destroyed.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    // Writes all bytes or raises EInOutError.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // Pushes written bytes to the disk or raises EInOutError.
    virtual void Flush() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool Exists(const String& path) = 0;
    // Results of these two are reported, never raised: callers decide whether they matter.
    virtual bool Delete(const String& path) = 0;
    // A plain rename that fails when the target exists.
    virtual bool Move(const String& from, const String& to) = 0;
    // Creates the file or empties an existing one (CREATE_ALWAYS); raises EFCreateError naming the path.
    virtual std::unique_ptr<WritableFile> CreateAlways(const String& path) = 0;
};

}  // namespace toolkit
