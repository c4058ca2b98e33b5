// The updater's state: string values under the current user's settings key.
#include "app/DozevedAzovu_f.h"
#include "toolkit/Convert.h"
#include "toolkit/Registry.h"

using toolkit::String;

namespace {
const String kSettingsKey = u"SOFTWARE\\RAVER\\";
}

void TfDozevedAzovu::ReadSetting(const String& key, const String& name, String& value) {
    value = u"0";
    toolkit::TRegistry registry(Os().registry, toolkit::KeyAccess::All);
    registry.RootKey = toolkit::RootKey::CurrentUser;
    if (registry.KeyExists(key)) {
        // A key that cannot be opened with full access leaves nothing open, so the read gives empty text.
        registry.OpenKey(key, false);
        value = registry.ReadString(name);
    }
    if (value.empty()) value = u"0";
}

void TfDozevedAzovu::WriteSetting(const String& key, const String& name, const String& value) {
    toolkit::TRegistry registry(Os().registry, toolkit::KeyAccess::All);
    registry.RootKey = toolkit::RootKey::CurrentUser;
    if (!registry.KeyExists(key)) registry.CreateKey(key);
    registry.OpenKey(key, false);
    registry.WriteString(name, value);
}

std::int32_t TfDozevedAzovu::ReadProgramId() {
    String text;
    ReadSetting(kSettingsKey, u"ID_PROGRAM", text);
    return toolkit::StrToInt(text);
}

std::int32_t TfDozevedAzovu::ReadInstalledVersion(std::int32_t programId) {
    String text;
    ReadSetting(kSettingsKey, u"Version_" + toolkit::IntToStr(programId), text);
    return toolkit::StrToInt(text);
}
