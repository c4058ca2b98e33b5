#pragma once
// A key under HKEY_CURRENT_USER that one test may create, fill and inspect through the registry
// API directly; the whole tree is deleted when the test ends.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};

class ScratchRegistryKey {
public:
    // `path` relative to HKEY_CURRENT_USER, without a trailing backslash.
    explicit ScratchRegistryKey(std::wstring path);
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    const std::wstring& Path() const { return path_; }
    bool Exists() const;
    void Set(const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data) const;
    std::optional<RawValue> Get(const std::wstring& name) const;

private:
    std::wstring path_;
};

// UTF-16 bytes of `text`, with its terminating zero unless told otherwise.
std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text, bool terminated = true);

}  // namespace wintest
