#include <gtest/gtest.h>

#include "toolkit/String.h"

TEST(Utf8, RoundTripsCyrillicAndAstralText) {
    const std::string utf8 = "Обновление системы \xF0\x9F\x98\x80";
    const toolkit::String text = toolkit::Utf8ToString(utf8);
    EXPECT_EQ(text.substr(0, 10), u"Обновление");
    EXPECT_EQ(text.size(), 21u);  // the emoji takes a surrogate pair
    EXPECT_EQ(toolkit::StringToUtf8(text), utf8);
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
    const struct {
        std::string bytes;
        toolkit::String expected;
    } cases[] = {
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},                 // cut off at the end
        {"\xC0\x80", u"\uFFFD"},             // overlong zero
        {"\xED\xA0\x80", u"\uFFFD"},         // encoded surrogate
        {"\xE2\x82" "A", u"\uFFFD" "A"},     // continuation missing
    };
    for (const auto& c : cases) EXPECT_EQ(toolkit::Utf8ToString(c.bytes), c.expected) << c.bytes;
}
