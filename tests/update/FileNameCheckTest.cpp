#include <gtest/gtest.h>

#include "app/DozevedAzovu_f.h"

TEST(IsPlainFileName, AcceptsOnlyANameInsideTheProgramFolder) {
    const struct {
        toolkit::String name;
        bool plain;
    } cases[] = {
        {u"raver.exe", true},
        {u"Программа 2.exe", true},
        {u"icon.exe", true},
        {u"con.exe.bak", false},  // the part before the first dot names the device
        {u"console.exe", true},
        {u"COM10.exe", true},
        {toolkit::String(255, u'a'), true},
        {toolkit::String(256, u'a'), false},
        {u"", false},
        {u".", false},
        {u"..", false},
        {u"..\\raver.exe", false},
        {u"sub\\raver.exe", false},
        {u"C:\\Windows\\raver.exe", false},
        {u"/tmp/raver.exe", false},
        {u"C:raver.exe", false},
        {u"raver.exe:stream", false},
        {u"raver.exe.", false},
        {u"raver.exe ", false},
        {u"rav\ter.exe", false},
        {toolkit::String(u"rav\0er.exe", 10), false},
        {u"r*.exe", false},
        {u"CON", false},
        {u"nul.exe", false},
        {u"Aux .txt", false},
        {u"com1.exe", false},
        {u"LPT9", false},
        {u"CONOUT$", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TfDozevedAzovu::IsPlainFileName(c.name), c.plain) << toolkit::StringToUtf8(c.name);
}
