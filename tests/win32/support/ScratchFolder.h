#pragma once
// A fresh folder for one test, removed with everything in it when the test ends.
#include <string>

namespace wintest {

class ScratchFolder {
public:
    // Under the user's temporary folder; `path` (when given) instead names the folder exactly,
    // which must not exist yet.
    explicit ScratchFolder(const std::wstring& path = {});
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path, ending in a backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring Sub(const std::wstring& name) const { return path_ + name; }
    // Creates a subfolder and returns its path, ending in a backslash.
    std::wstring MakeFolder(const std::wstring& name) const;
    // Copies `source` to `relativeName` in this folder and returns the copy's path.
    std::wstring CopyIn(const std::wstring& source, const std::wstring& relativeName) const;

private:
    std::wstring path_;
};

}  // namespace wintest
