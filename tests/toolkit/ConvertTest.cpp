#include <gtest/gtest.h>

#include <optional>

#include "toolkit/Convert.h"
#include "toolkit/Exception.h"

using toolkit::String;

namespace {

struct Case {
    const char16_t* text;
    std::optional<std::int32_t> expected;  // nullopt: a conversion error
};

const Case kCases[] = {
    {u"12", 12},
    {u" 12", 12},
    {u"   12", 12},
    {u"12 ", std::nullopt},
    {u"\t12", std::nullopt},
    {u"+12", 12},
    {u"-12", -12},
    {u"007", 7},
    {u"0", 0},
    {u"-0", 0},
    {u"$1F", 31},
    {u"0x1F", 31},
    {u"0X1f", 31},
    {u"x1F", 31},
    {u"X1F", 31},
    {u"$FFFFFFFF", -1},
    {u"$ffffffff", -1},
    {u"$7FFFFFFF", 2147483647},
    {u"$80000000", -2147483647 - 1},
    {u"$000000001F", 31},
    {u"$100000000", std::nullopt},
    {u"-$1F", -31},
    {u"-0x1", -1},
    {u"-$FFFFFFFF", 1},
    {u"2147483647", 2147483647},
    {u"-2147483648", -2147483647 - 1},
    {u"2147483648", std::nullopt},
    {u"-2147483649", std::nullopt},
    {u"99999999999999999999", std::nullopt},
    {u"abc", std::nullopt},
    {u"", std::nullopt},
    {u" ", std::nullopt},
    {u"+", std::nullopt},
    {u"-", std::nullopt},
    {u"+-1", std::nullopt},
    {u"- 1", std::nullopt},
    {u"$", std::nullopt},
    {u"0x", std::nullopt},
    {u"x", std::nullopt},
    {u"$G", std::nullopt},
    {u"00x1F", std::nullopt},
    {u"1F", std::nullopt},
    {u"12abc", std::nullopt},
    {u"١٢", std::nullopt},  // Arabic-Indic digits are not digits here
};

}  // namespace

TEST(StrToInt, FollowsTheConversionRules) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(toolkit::StringToUtf8(c.text));
        if (c.expected) {
            EXPECT_EQ(toolkit::StrToInt(c.text), *c.expected);
        } else {
            EXPECT_THROW(toolkit::StrToInt(c.text), toolkit::EConvertError);
        }
    }
}

TEST(StrToInt, ErrorNamesTheText) {
    try {
        toolkit::StrToInt(u"abc");
        FAIL() << "no error";
    } catch (const toolkit::EConvertError& e) {
        EXPECT_NE(e.Message().find(u"'abc'"), String::npos);
        EXPECT_STREQ(e.ClassName(), "EConvertError");
    }
}

TEST(IntToStr, DecimalWithoutPlusOrLeadingZeros) {
    EXPECT_EQ(toolkit::IntToStr(7), u"7");
    EXPECT_EQ(toolkit::IntToStr(0), u"0");
    EXPECT_EQ(toolkit::IntToStr(-3), u"-3");
    EXPECT_EQ(toolkit::IntToStr(-2147483647 - 1), u"-2147483648");
}
