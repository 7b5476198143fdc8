#include "app/text/parseValueList.h"

#include <gtest/gtest.h>

namespace {

TEST(ValueList, ReadsDecimalAndHexPiecesBetweenCommasAndSpaces)
{
    EXPECT_EQ(parseValueList("65, 66 67,,\t0x44 0X4a +75 0,-0,0x0 128,200,0xff"),
              std::u16string(u"ABCDJK\0\0\0\u0080\u00C8\u00FF", 12));
    std::string list;
    for (int i = 0; i < 1000; ++i)
        list += std::to_string(i % 256) + ",";
    EXPECT_EQ(parseValueList(list).size(), 1000u) << "no length limit";
}

TEST(ValueList, TakesTheHexFormsOtherTerminalsTakeAndBareHexInBase16)
{
    EXPECT_EQ(parseValueList("\\0x41 \\66 43h 0x44 1Bh"), u"ABCD\u001B");
    EXPECT_EQ(parseValueList("AA 55 01 0D", nullptr, 16), u"\u00AA\u0055\u0001\u000D");
    EXPECT_EQ(parseValueList("\\65 0x41", nullptr, 16), u"AA") << "a prefix says its own base";
}

TEST(ValueList, NamesEveryPieceThatGivesNoByteAndTakesNoneOfIt)
{
    std::vector<std::string> skipped;
    // Read up to their first non-digit, 0x41 would give NUL, 1e2 SOH and 65abc 'A'.
    EXPECT_EQ(parseValueList("0x41,1e2 300,-1,abc,65abc,0x,0x100,4294967361,99999999999999999999 66,AA,h", &skipped),
              u"AB");
    EXPECT_EQ(skipped, (std::vector<std::string>{
                           "1e2 is not a number", "300 is not a byte value (0-255)",
                           "-1 is not a byte value (0-255)", "abc is not a number", "65abc is not a number",
                           "0x is not a number", "0x100 is not a byte value (0-255)",
                           "4294967361 is not a byte value (0-255)",
                           "99999999999999999999 is not a byte value (0-255)", "AA is not a number",
                           "h is not a number"}));
    // Full-width digits are not digits.
    EXPECT_EQ(parseValueList("\xEF\xBC\x96\xEF\xBC\x95"), u"");
}

} // namespace
