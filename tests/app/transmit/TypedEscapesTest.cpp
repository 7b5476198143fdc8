#include "app/transmit/typedEscapes.h"

#include "app/text/ViewType.h"
#include "app/text/decode.h"

#include <gtest/gtest.h>

namespace {

std::u16string readAs(std::u16string_view typed, int type)
{
    return decodeEscapes(markTypedEscapes(AttributedText(std::u16string(typed)), type, std::nullopt), type);
}

} // namespace

TEST(TypedEscapes, CompleteEscapesOfTheViewsFormStandForTheirBytes)
{
    EXPECT_EQ(readAs(u"\\0x41\\0x42z\\0x4", ViewTypeHex), u"ABz\u0004");
    EXPECT_EQ(readAs(u"\\65\\66x\\255\\256", ViewTypeDecimal), u"ABx\u00FF\u00196");
    EXPECT_EQ(readAs(u"\\0xZZ\\", ViewTypeHex), u"\\0xZZ\\") << "no digits: no escape";
    EXPECT_EQ(readAs(u"\\65", ViewTypeMixed), u"\\65") << "printable ASCII is itself in the mixed view";
}

TEST(TypedEscapes, AnEscapeThatTheNextKeyMayFinishWaitsAtTheCaret)
{
    std::optional<TextRange> pending;
    const AttributedText typed(std::u16string(u"\\0x41\\0x4"));
    markTypedEscapes(typed, ViewTypeHex, 9, &pending);
    EXPECT_EQ(pending, (TextRange{5, 4}));
    markTypedEscapes(AttributedText(std::u16string(u"\\0x41")), ViewTypeHex, 5, &pending);
    EXPECT_FALSE(pending) << "two hex digits are all an escape takes";
    markTypedEscapes(AttributedText(std::u16string(u"\\26")), ViewTypeDecimal, 3, &pending);
    EXPECT_FALSE(pending) << "\\26 and one more digit is no byte";
    markTypedEscapes(AttributedText(std::u16string(u"\\0")), ViewTypeHex, 2, &pending);
    EXPECT_EQ(pending, (TextRange{0, 2}));
}
