#include "app/filterString.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

AttributedText gray(std::u16string_view text)
{
    return AttributedText(std::u16string(text), grayColor());
}

TEST(FilterString, TextModeAndUnknownModesCopyTheTextUncoloured)
{
    const std::u16string text = u"a\\b\r\n\u20AC\0z";
    for (const int mode : {0, -1, 4, INT_MIN, INT_MAX}) {
        EXPECT_EQ(filterString(text, mode), AttributedText(text)) << mode;
        EXPECT_TRUE(filterString(u"", mode).runs().empty()) << mode;
    }
    for (const int mode : {1, 2, 3})
        EXPECT_TRUE(filterString(u"", mode).runs().empty()) << mode;
}

TEST(FilterString, MixedModeEscapesSpaceAndControlsInOneGrayStretch)
{
    AttributedText expected(u"A");
    expected.append(u"\\32", grayColor());
    expected.append(u"B");
    expected.append(u"\\13\\10", grayColor());
    EXPECT_EQ(filterString(u"A B\r\n", 1), expected);
}

TEST(FilterString, MixedModeLooksOnlyAtTheLowByte)
{
    const std::pair<char16_t, AttributedText> cases[] = {
        {u'!', AttributedText(u"!")}, {u'~', AttributedText(u"~")},   {u'\\', AttributedText(u"\\")},
        {0x0000, gray(u"\\0")},       {0x0020, gray(u"\\32")},        {0x007F, gray(u"\\127")},
        {0x00C3, gray(u"\\195")},     {0x00FF, gray(u"\\255")},       {0x20AC, gray(u"\\172")},
        {0x0141, AttributedText(u"A")}, {0x0100, gray(u"\\0")},       {0xFF7E, AttributedText(u"~")},
    };
    for (const auto& [unit, expected] : cases)
        EXPECT_EQ(filterString(std::u16string(1, unit), 1), expected) << int(unit);
}

TEST(FilterString, NumericModesEscapeEveryWholeUnitInOneGrayRun)
{
    const std::u16string text(u"\nA\u00FF\u20AC\uFFFF\\\0\u0100", 8);
    EXPECT_EQ(filterString(text, 2), gray(u"\\10\\65\\255\\8364\\65535\\92\\0\\256"));
    EXPECT_EQ(filterString(text, 3), gray(u"\\0xA\\0x41\\0xFF\\0x20AC\\0xFFFF\\0x5C\\0x0\\0x100"));
    // Where a character starts in the result, in every mode; past the end is the end.
    for (const int mode : {0, 1, 2, 3}) {
        for (std::size_t index = 0; index <= text.size() + 1; ++index) {
            std::size_t at = 0;
            filterString(text, mode, index, at);
            EXPECT_EQ(at, filterString(text.substr(0, index), mode).length()) << mode << " " << index;
        }
    }
}

} // namespace
