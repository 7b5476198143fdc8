#include "app/filterString.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

AttributedText gray(std::u16string_view text)
{
    AttributedText result;
    result.append(text, grayColor());
    return result;
}

TEST(FilterString, EmptyInputGivesEmptyOutputInEveryMode)
{
    for (const int mode : {-1, 0, 1, 2, 3, 4}) {
        const AttributedText out = filterString(u"", mode);
        EXPECT_TRUE(out.empty()) << mode;
        EXPECT_TRUE(out.runs().empty()) << mode;
    }
}

TEST(FilterString, TextModeAndUnknownModesCopyTheTextUncoloured)
{
    const std::u16string text = u"a\\b\r\n\u20AC\0z";
    for (const int mode : {0, -1, 4, INT_MIN, INT_MAX})
        EXPECT_EQ(filterString(text, mode), AttributedText(text)) << mode;
}

TEST(FilterString, MixedModeEscapesSpaceAndControlsInOneGrayStretch)
{
    AttributedText expected;
    expected.append(u"A");
    expected.append(u"\\32", grayColor());
    expected.append(u"B");
    expected.append(u"\\13\\10", grayColor());
    const AttributedText out = filterString(u"A B\r\n", 1);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(out.runs().size(), 4u);
}

TEST(FilterString, MixedModeLooksOnlyAtTheLowByte)
{
    struct Case {
        char16_t unit;
        AttributedText expected;
    };
    const Case cases[] = {
        {u'!', AttributedText(u"!")},
        {u'~', AttributedText(u"~")},
        {u'\\', AttributedText(u"\\")},
        {0x0000, gray(u"\\0")},
        {0x0020, gray(u"\\32")},
        {0x007F, gray(u"\\127")},
        {0x00C3, gray(u"\\195")},
        {0x00FF, gray(u"\\255")},
        {0x20AC, gray(u"\\172")},
        {0x0141, AttributedText(u"A")},
        {0x0100, gray(u"\\0")},
        {0xFF7E, AttributedText(u"~")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(filterString(std::u16string(1, c.unit), 1), c.expected) << int(c.unit);
}

TEST(FilterString, DecimalModeEscapesEveryWholeUnit)
{
    EXPECT_EQ(filterString(std::u16string(u"A\u20AC\uFFFF\\\0\x7F", 6), 2),
              gray(u"\\65\\8364\\65535\\92\\0\\127"));
}

TEST(FilterString, HexModeEscapesInUpperCaseWithoutLeadingZeros)
{
    EXPECT_EQ(filterString(std::u16string(u"\nA\u00FF\u20AC\\\0\uFFFF\u0100", 8), 3),
              gray(u"\\0xA\\0x41\\0xFF\\0x20AC\\0x5C\\0x0\\0xFFFF\\0x100"));
}

} // namespace
