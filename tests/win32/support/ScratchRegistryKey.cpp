#include "tests/win32/support/ScratchRegistryKey.h"

#include <stdexcept>

#include "tests/win32/probe/WindowProbe.h"

namespace wintest {
namespace {

// Owns an open key; RegCloseKey when it goes.
class OpenKey {
public:
    OpenKey(const std::wstring& path, bool create) {
        const LSTATUS status = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                        KEY_ALL_ACCESS, nullptr, &key_, nullptr)
                                      : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key_);
        if (status != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

ScratchRegistryKey::ScratchRegistryKey(std::wstring path) : path_(std::move(path)) {
    if (Exists()) throw std::runtime_error("registry key " + ToUtf8(path_) + " is left over from an earlier run");
}

ScratchRegistryKey::~ScratchRegistryKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

bool ScratchRegistryKey::Exists() const { return OpenKey(path_, false).get() != nullptr; }

void ScratchRegistryKey::Set(const std::wstring& name, DWORD type, const std::vector<std::uint8_t>& data) const {
    const OpenKey key(path_, true);
    if (!key.get() || RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(),
                                     static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        throw std::runtime_error("cannot seed value " + ToUtf8(name) + " under " + ToUtf8(path_));
}

std::optional<RawValue> ScratchRegistryKey::Get(const std::wstring& name) const {
    const OpenKey key(path_, false);
    if (!key.get()) return std::nullopt;
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    RawValue value{type, std::vector<std::uint8_t>(size)};
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, value.data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    return value;
}

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text, bool terminated) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return std::vector<std::uint8_t>(bytes, bytes + (text.size() + (terminated ? 1 : 0)) * sizeof(char16_t));
}

}  // namespace wintest
