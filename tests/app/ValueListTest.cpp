#include "app/parseValueList.h"

#include <gtest/gtest.h>

namespace {

TEST(ValueList, ReadsEachPieceLikeAtoi)
{
    EXPECT_EQ(parseValueList("65, 66,300"), u"AB");
    EXPECT_EQ(parseValueList("\t\n65 ,+66,67x,6 8"), u"ABC\u0006");
    EXPECT_EQ(parseValueList("10"), u"\n");
}

TEST(ValueList, PiecesWithoutAByteValueGiveNothing)
{
    EXPECT_EQ(parseValueList(""), u"");
    EXPECT_EQ(parseValueList(",,65,, ,"), u"A");
    EXPECT_EQ(parseValueList("-5,abc,-,+,256"), u"");
    // Truncating these to 32 bits would give 65 and 1.
    EXPECT_EQ(parseValueList("4294967361,-4294967295,99999999999999999999999"), u"");
    // Full-width digits are not digits.
    EXPECT_EQ(parseValueList("\xEF\xBC\x96\xEF\xBC\x95"), u"");
}

TEST(ValueList, ZeroAndHighBytesAreOrdinaryValues)
{
    EXPECT_EQ(parseValueList("0"), std::u16string(1, u'\0'));
    EXPECT_EQ(parseValueList("65,0,66,-0"), std::u16string(u"A\0B\0", 4));
    EXPECT_EQ(parseValueList("128,200,255"), u"\u0080\u00C8\u00FF");
}

TEST(ValueList, HasNoLengthLimit)
{
    std::string list;
    for (int i = 0; i < 1000; ++i)
        list += std::to_string(i % 256) + ",";
    const std::u16string values = parseValueList(list);
    ASSERT_EQ(values.size(), 1000u);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(values[i], i % 256);
}

} // namespace
