#include "app/parseValueList.h"

#include <gtest/gtest.h>

#include <string>

TEST(ValueList, ReadsEachPieceLikeAtoiAndSkipsPiecesWithoutAByteValue)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"65, 66,300", u"AB"},
        {"\t\n65 ,+66,67x,6 8", u"ABC\u0006"},
        {"", u""},
        {",,65,, ,", u"A"},
        {"-5,abc,-,+,256", u""},
        // Truncating these to 32 bits would give 65 and 1.
        {"4294967361,-4294967295,99999999999999999999999", u""},
        // Full-width digits are not digits.
        {"\xEF\xBC\x96\xEF\xBC\x95", u""},
        // Zero and high bytes are ordinary values.
        {"65,0,66,-0", std::u16string(u"A\0B\0", 4)},
        {"128,200,255", u"\u0080\u00C8\u00FF"},
    };
    for (const auto& [list, values] : cases)
        EXPECT_EQ(parseValueList(list), values) << list;
}

TEST(ValueList, HasNoLengthLimit)
{
    std::string list;
    std::u16string values;
    for (int i = 0; i < 1000; ++i) {
        list += std::to_string(i % 256) + ",";
        values += static_cast<char16_t>(i % 256);
    }
    EXPECT_EQ(parseValueList(list), values);
}
