#include <gtest/gtest.h>

#include "app/DozevedAzovu_f.h"
#include "toolkit/Exception.h"
#include "toolkit/memory/MemoryOs.h"

using toolkit::String;
namespace RegType = toolkit::RegType;

namespace {

const String kKey = u"SOFTWARE\\RAVER\\";

class Settings : public ::testing::Test {
protected:
    toolkit::memory::MemoryOs os;
    toolkit::TApplication app{os.Services()};
    TfDozevedAzovu form{app};

    String Read(const String& name) {
        String value = u"unchanged";
        form.ReadSetting(kKey, name, value);
        return value;
    }
};

}  // namespace

TEST_F(Settings, MissingAndEmptyValuesReadAsZero) {
    EXPECT_EQ(Read(u"ID_PROGRAM"), u"0");  // no key at all
    EXPECT_EQ(form.ReadProgramId(), 0);
    EXPECT_EQ(form.ReadInstalledVersion(7), 0);

    os.registry.AddKey(kKey);
    EXPECT_EQ(Read(u"ID_PROGRAM"), u"0");  // key without the value

    os.registry.SetString(kKey, u"ID_PROGRAM", u"");
    EXPECT_EQ(Read(u"ID_PROGRAM"), u"0");  // empty text

    for (std::uint32_t type : {RegType::Binary, RegType::DWord, RegType::String, RegType::MultiString}) {
        os.registry.SetRaw(kKey, u"ID_PROGRAM", type, {});
        EXPECT_EQ(Read(u"ID_PROGRAM"), u"0") << "type " << type;  // data of length zero
    }
    EXPECT_EQ(os.registry.OpenHandles(), 0u);
}

TEST_F(Settings, StringsReadAsStoredUpToTheFirstZero) {
    os.registry.SetString(kKey, u"ID_PROGRAM", u"12");
    EXPECT_EQ(form.ReadProgramId(), 12);

    os.registry.SetString(kKey, u"Path", u"%SystemRoot%\\x", RegType::ExpandString);
    EXPECT_EQ(Read(u"Path"), u"%SystemRoot%\\x");  // no expansion

    os.registry.SetString(kKey, u"Cut", String(u"15\0junk", 7));
    EXPECT_EQ(Read(u"Cut"), u"15");

    // Data without a terminating zero and with an odd trailing byte.
    os.registry.SetRaw(kKey, u"Raw", RegType::String, {u'4', 0, u'2', 0, 0x41});
    EXPECT_EQ(Read(u"Raw"), u"42");

    os.registry.SetString(kKey, u"Version_-3", u" +5");
    EXPECT_EQ(form.ReadInstalledVersion(-3), 5);
}

TEST_F(Settings, WrongTypeAndBadTextRaiseErrorsNamingTheProblem) {
    os.registry.SetRaw(kKey, u"ID_PROGRAM", RegType::DWord, {7, 0, 0, 0});
    try {
        form.ReadProgramId();
        FAIL() << "no error";
    } catch (const toolkit::ERegistryException& e) {
        EXPECT_NE(e.Message().find(u"ID_PROGRAM"), String::npos);
    }
    os.registry.SetString(kKey, u"ID_PROGRAM", u"abc");
    EXPECT_THROW(form.ReadProgramId(), toolkit::EConvertError);
    os.registry.SetString(kKey, u"Version_12", u"12 ");
    EXPECT_THROW(form.ReadInstalledVersion(12), toolkit::EConvertError);
    EXPECT_EQ(os.registry.OpenHandles(), 0u);
}

TEST_F(Settings, KeyThatCannotBeOpenedForFullAccessReadsZeroAndRefusesWrites) {
    os.registry.SetString(kKey, u"ID_PROGRAM", u"12");
    os.registry.DenyFullAccess(kKey);
    EXPECT_EQ(form.ReadProgramId(), 0);
    try {
        form.WriteSetting(kKey, u"NameVersion", u"x");
        FAIL() << "no error";
    } catch (const toolkit::ERegistryException& e) {
        EXPECT_NE(e.Message().find(u"NameVersion"), String::npos);
    }
    EXPECT_EQ(os.registry.OpenHandles(), 0u);
}

TEST_F(Settings, WriteCreatesTheKeyAndTouchesOnlyItsValue) {
    form.WriteSetting(kKey, u"Version_7", u"15");
    ASSERT_TRUE(os.registry.HasKey(kKey));
    auto written = os.registry.Get(kKey, u"Version_7");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, RegType::String);
    EXPECT_EQ(written->data, (std::vector<std::uint8_t>{u'1', 0, u'5', 0, 0, 0}));  // (length + 1) * 2 bytes

    os.registry.SetString(kKey, u"Version_8", u"3");
    form.WriteSetting(kKey, u"Version_7", u"16");
    form.WriteSetting(kKey, u"NameVersion", u"");
    EXPECT_EQ(form.ReadInstalledVersion(7), 16);
    EXPECT_EQ(form.ReadInstalledVersion(8), 3);
    EXPECT_EQ(os.registry.Get(kKey, u"NameVersion")->data.size(), 2u);  // empty text is its zero alone
    EXPECT_EQ(os.registry.OpenHandles(), 0u);
}

TEST_F(Settings, RefusedKeyCreationRaisesAnErrorNamingTheKey) {
    os.registry.DenyCreate(kKey);
    try {
        form.WriteSetting(kKey, u"Version_7", u"15");
        FAIL() << "no error";
    } catch (const toolkit::ERegistryException& e) {
        EXPECT_NE(e.Message().find(kKey), String::npos);
    }
}
