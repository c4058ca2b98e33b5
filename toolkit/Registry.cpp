#include "toolkit/Registry.h"

#include <algorithm>

#include "toolkit/Exception.h"

namespace toolkit {

TRegistry::TRegistry(RegistryApi& api, KeyAccess access) : api_(api), access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::KeyExists(const String& path) {
    KeyHandle key = 0;
    if (api_.OpenKey(RootKey, path, KeyAccess::Read, key) != kRegSuccess) return false;
    api_.CloseKey(key);
    return true;
}

bool TRegistry::OpenKey(const String& path, bool canCreate) {
    CloseKey();
    KeyHandle key = 0;
    const RegStatus status =
        canCreate ? api_.CreateKey(RootKey, path, key) : api_.OpenKey(RootKey, path, access_, key);
    if (status != kRegSuccess) return false;
    current_ = key;
    open_ = true;
    return true;
}

void TRegistry::CreateKey(const String& path) {
    KeyHandle key = 0;
    if (api_.CreateKey(RootKey, path, key) != kRegSuccess)
        throw ERegistryException(u"Не удалось создать раздел реестра " + path);
    api_.CloseKey(key);
}

void TRegistry::CloseKey() {
    if (!open_) return;
    api_.CloseKey(current_);
    open_ = false;
    current_ = 0;
}

String TRegistry::ReadString(const String& name) {
    if (!open_) return {};
    std::uint32_t type = RegType::None;
    std::vector<std::uint8_t> data;
    if (api_.QueryValue(current_, name, type, data) != kRegSuccess) return {};
    const std::size_t units = data.size() / sizeof(char16_t);
    if (units == 0) return {};
    if (type != RegType::String && type != RegType::ExpandString)
        throw ERegistryException(u"Неверный тип данных значения «" + name + u"»");
    String text(units, u'\0');
    std::copy_n(data.begin(), units * sizeof(char16_t), reinterpret_cast<std::uint8_t*>(text.data()));
    text.resize(std::min(text.find(u'\0'), text.size()));
    return text;
}

void TRegistry::WriteString(const String& name, const String& value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.c_str());
    const std::span<const std::uint8_t> data(bytes, (value.size() + 1) * sizeof(char16_t));
    if (!open_ || api_.SetValue(current_, name, RegType::String, data) != kRegSuccess)
        throw ERegistryException(u"Не удалось записать значение «" + name + u"»");
}

}  // namespace toolkit
