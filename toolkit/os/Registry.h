#pragma once
// Seam over the registry calls the program uses: RegOpenKeyExW, RegCreateKeyExW,
// RegQueryValueExW, RegSetValueExW and RegCloseKey. Results are the system's status codes
// (0 = success); what they mean to the program is decided above the seam, in TRegistry.
#include <cstdint>
#include <span>
#include <vector>

#include "toolkit/String.h"

namespace toolkit {

enum class RootKey { CurrentUser, LocalMachine };
enum class KeyAccess { Read, All };

// Value types as the registry numbers them.
namespace RegType {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t String = 1;
constexpr std::uint32_t ExpandString = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t DWord = 4;
constexpr std::uint32_t MultiString = 7;
}  // namespace RegType

using KeyHandle = std::uintptr_t;
using RegStatus = long;
constexpr RegStatus kRegSuccess = 0;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;
    virtual RegStatus OpenKey(RootKey root, const String& path, KeyAccess access, KeyHandle& key) = 0;
    virtual RegStatus CreateKey(RootKey root, const String& path, KeyHandle& key) = 0;
    // Fetches the whole value: its type and all of its data bytes.
    virtual RegStatus QueryValue(KeyHandle key, const String& name, std::uint32_t& type,
                                 std::vector<std::uint8_t>& data) = 0;
    virtual RegStatus SetValue(KeyHandle key, const String& name, std::uint32_t type,
                               std::span<const std::uint8_t> data) = 0;
    virtual void CloseKey(KeyHandle key) = 0;
};

}  // namespace toolkit
