#include "toolkit/printableText.h"

#include <gtest/gtest.h>

TEST(PrintableText, ControlsAndTheBackslashBecomeEscapesSoNoTwoNamesLookAlike)
{
    EXPECT_EQ(printableText(std::string("a\nb\x1b[2J\x7f", 8)), "a\\10b\\27[2J\\127");
    EXPECT_EQ(printableText("cu.\\10"), "cu.\\9210");
    EXPECT_NE(printableText("cu.\\10"), printableText("cu.\n"));
}

TEST(PrintableText, C1ControlsAndStrayBytesBecomeEscapesAndUtf8StaysAsItIs)
{
    // 0x9B alone is CSI to an 8-bit terminal; U+009B written in UTF-8 is the same control.
    EXPECT_EQ(printableText("x\x9b" "1m"), "x\\1551m");
    EXPECT_EQ(printableText("x\xc2\x9b"), "x\\194\\155");
    EXPECT_EQ(printableText("ttyUSB\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"), "ttyUSB\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80");
    // An overlong slash, an encoded surrogate and a cut sequence are no characters.
    EXPECT_EQ(printableText("\xc0\xaf|\xed\xa0\x80|\xe2\x82"), "\\192\\175|\\237\\160\\128|\\226\\130");
}
