#pragma once
// The registry class: one object works on one open key under a chosen root.
#include "toolkit/os/Registry.h"

namespace toolkit {

class TRegistry {
public:
    TRegistry(RegistryApi& api, KeyAccess access);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    toolkit::RootKey RootKey = toolkit::RootKey::CurrentUser;

    // Asks only for read access and closes the key again at once.
    bool KeyExists(const String& path);
    // Opens with this object's access; on failure nothing is open and later reads give empty text.
    bool OpenKey(const String& path, bool canCreate);
    // Raises ERegistryException naming the key when the registry refuses.
    void CreateKey(const String& path);
    void CloseKey();

    // Plain and expandable strings as stored (no expansion), up to the first zero character.
    // An absent value, or data of length zero of any type, reads as empty text; any other type
    // raises ERegistryException naming the value.
    String ReadString(const String& name);
    // Writes REG_SZ with its terminating zero; raises ERegistryException naming the value.
    void WriteString(const String& name, const String& value);

private:
    RegistryApi& api_;
    KeyAccess access_;
    KeyHandle current_ = 0;
    bool open_ = false;
};

}  // namespace toolkit
