// The settings operations of the update window against Wine's real registry.
#include <gtest/gtest.h>

#include "app/DozevedAzovu_f.h"
#include "tests/win32/support/ScratchRegistryKey.h"
#include "toolkit/Exception.h"
#include "toolkit/win32/Win32Os.h"

namespace {

using toolkit::String;
using wintest::Utf16Bytes;

std::vector<std::uint8_t> DwordBytes(DWORD value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    return {bytes, bytes + sizeof value};
}

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

class SettingsInRegistry : public ::testing::Test {
protected:
    // ReadSetting and WriteSetting take the key with its trailing backslash.
    String KeyArgument() const { return U16(key.Path()) + u"\\"; }

    String Read(const String& name) {
        String value = u"untouched";
        form.ReadSetting(KeyArgument(), name, value);
        return value;
    }

    wintest::ScratchRegistryKey key{L"SOFTWARE\\DozevedAzovuTests\\Settings" + std::to_wstring(GetCurrentProcessId())};
    toolkit::win32::Win32Os os;
    toolkit::TApplication app{os.Services()};
    TfDozevedAzovu form{app};  // builds no window until the application creates it
};

struct ReadCase {
    const char* what;
    DWORD type;
    std::vector<std::uint8_t> data;
    String expected;
};

TEST_F(SettingsInRegistry, ReadsStringDataAsStoredAndEmptyDataAsZero) {
    const String longText(3000, u'Ж');
    const std::vector<ReadCase> cases = {
        {"plain string", REG_SZ, Utf16Bytes(u"Сборка 7"), u"Сборка 7"},
        {"expandable string, not expanded", REG_EXPAND_SZ, Utf16Bytes(u"%SystemRoot%\\raver"), u"%SystemRoot%\\raver"},
        {"text ends at the first zero", REG_SZ, Utf16Bytes(String(u"12\0 34", 6)), u"12"},
        {"data without a terminating zero", REG_SZ, Utf16Bytes(u"abc", false), u"abc"},
        {"long text", REG_SZ, Utf16Bytes(longText), longText},
        {"empty string", REG_SZ, Utf16Bytes(u""), u"0"},
        {"zero-length string data", REG_SZ, {}, u"0"},
        {"zero-length binary data", REG_BINARY, {}, u"0"},
        {"zero-length double word", REG_DWORD, {}, u"0"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) key.Set(L"Value" + std::to_wstring(i), cases[i].type, cases[i].data);

    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(Read(u"Value" + toolkit::IntToStr(static_cast<std::int32_t>(i))), cases[i].expected) << cases[i].what;
}

TEST_F(SettingsInRegistry, MissingKeyAndMissingValueReadAsZero) {
    EXPECT_EQ(Read(u"ID_PROGRAM"), u"0");
    EXPECT_FALSE(key.Exists()) << "reading must not create the key";
    key.Set(L"Other", REG_SZ, Utf16Bytes(u"5"));
    EXPECT_EQ(Read(u"ID_PROGRAM"), u"0");
}

TEST_F(SettingsInRegistry, DataOfAnotherTypeFailsNamingTheValue) {
    const std::vector<std::pair<DWORD, std::vector<std::uint8_t>>> cases = {
        {REG_DWORD, DwordBytes(7)},
        {REG_BINARY, {0x37, 0x00}},
        {REG_MULTI_SZ, Utf16Bytes(String(u"7\0\0", 3), false)},
    };
    for (const auto& [type, data] : cases) {
        key.Set(L"ID_PROGRAM", type, data);
        try {
            Read(u"ID_PROGRAM");
            ADD_FAILURE() << "type " << type << " was read";
        } catch (const toolkit::ERegistryException& e) {
            EXPECT_NE(e.Message().find(u"ID_PROGRAM"), String::npos) << toolkit::StringToUtf8(e.Message());
        }
    }
}

TEST_F(SettingsInRegistry, WriteCreatesTheKeyAndStoresTerminatedUtf16) {
    ASSERT_FALSE(key.Exists());
    form.WriteSetting(KeyArgument(), u"NameVersion", u"Сборка 1.2");
    form.WriteSetting(KeyArgument(), u"Empty", u"");

    const auto written = key.Get(L"NameVersion");
    ASSERT_TRUE(written.has_value()) << "key or value not created";
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(written->data, Utf16Bytes(u"Сборка 1.2"));  // (10 + 1) * 2 bytes
    const auto empty = key.Get(L"Empty");
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->data, Utf16Bytes(u""));  // just the terminating zero
}

TEST_F(SettingsInRegistry, WriteReplacesOneValueAndLeavesTheOthers) {
    key.Set(L"Version_7", REG_SZ, Utf16Bytes(u"5"));
    key.Set(L"Version_8", REG_DWORD, DwordBytes(1));
    key.Set(L"Counter", REG_DWORD, DwordBytes(42));

    form.WriteSetting(KeyArgument(), u"Version_8", u"9");

    EXPECT_EQ(key.Get(L"Version_8")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(key.Get(L"Version_8")->data, Utf16Bytes(u"9"));
    EXPECT_EQ(key.Get(L"Version_7")->data, Utf16Bytes(u"5"));
    EXPECT_EQ(key.Get(L"Counter")->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(key.Get(L"Counter")->data, DwordBytes(42));
}

// The typed reads use the fixed settings key of the updater.
class ProgramSettings : public ::testing::Test {
protected:
    wintest::ScratchRegistryKey settings{L"SOFTWARE\\RAVER"};
    toolkit::win32::Win32Os os;
    toolkit::TApplication app{os.Services()};
    TfDozevedAzovu form{app};
};

TEST_F(ProgramSettings, TypedReadsConvertTheSettingsKeysValues) {
    EXPECT_EQ(form.ReadProgramId(), 0) << "no settings key";
    EXPECT_EQ(form.ReadInstalledVersion(31), 0);

    settings.Set(L"ID_PROGRAM", REG_SZ, Utf16Bytes(u"$1F"));
    settings.Set(L"Version_31", REG_EXPAND_SZ, Utf16Bytes(u" 12"));
    settings.Set(L"Version_-1", REG_SZ, Utf16Bytes(u"-2147483648"));
    EXPECT_EQ(form.ReadProgramId(), 31);
    EXPECT_EQ(form.ReadInstalledVersion(31), 12);
    EXPECT_EQ(form.ReadInstalledVersion(-1), -2147483647 - 1);
    EXPECT_EQ(form.ReadInstalledVersion(30), 0);

    settings.Set(L"ID_PROGRAM", REG_SZ, Utf16Bytes(u"12 "));
    EXPECT_THROW(form.ReadProgramId(), toolkit::EConvertError);
    settings.Set(L"ID_PROGRAM", REG_DWORD, DwordBytes(31));
    EXPECT_THROW(form.ReadProgramId(), toolkit::ERegistryException);
}

}  // namespace
