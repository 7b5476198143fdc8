#include "app/send/LineEnding.h"
#include "app/send/MacroSet.h"
#include "app/send/macroText.h"
#include "app/text/ViewType.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(MacroText, ReadsTheEditorsDecimalAndHexEscapesAndLeavesOtherBackslashes)
{
    EXPECT_EQ(macroBytes(u"AT\\13\\10", TextEncodingLatin1), "AT\r\n");
    EXPECT_EQ(macroBytes(u"\\0x0D\\0x0a", TextEncodingLatin1), "\r\n");
    EXPECT_EQ(macroBytes(u"\\0x0DA\\1234", TextEncodingLatin1), "\rA{4") << "two hex digits, three decimal";
    EXPECT_EQ(macroBytes(u"\\256", TextEncodingLatin1), "\x19" "6") << "a number past 255 stops short of it";
    EXPECT_EQ(macroBytes(u"a\\b\\", TextEncodingLatin1), "a\\b\\");
    EXPECT_EQ(macroBytes(u"\\0", TextEncodingLatin1), std::string(1, '\0'));
}

TEST(MacroText, TakesCharactersByTheEncoding)
{
    EXPECT_EQ(macroBytes(u"\u00E9", TextEncodingLatin1), "\xE9");
    EXPECT_EQ(macroBytes(u"\u00E9\u20AC", TextEncodingUtf8), "\xC3\xA9\xE2\x82\xAC");
    std::string problem;
    EXPECT_EQ(macroBytes(u"5\u20AC", TextEncodingLatin1, &problem), std::nullopt);
    EXPECT_NE(problem.find("U+20AC cannot be sent as one byte"), std::string::npos);
}

TEST(MacroText, EveryByteReadsBackInEveryViewAndEncoding)
{
    std::string every;
    for (int byte = 0; byte < 256; ++byte)
        every += std::string(1, static_cast<char>(byte)) + "7";
    for (const TextEncoding encoding : {TextEncodingLatin1, TextEncodingUtf8})
        for (const int view : {ViewTypeText, ViewTypeMixed, ViewTypeDecimal, ViewTypeHex})
            EXPECT_EQ(macroBytes(macroText(every, view, encoding), encoding), every) << view << " " << encoding;
    EXPECT_EQ(macroText("AT\r\n", ViewTypeHex, TextEncodingLatin1), u"AT\\0x0D\\0x0A");
    EXPECT_EQ(macroText("\r1", ViewTypeMixed, TextEncodingLatin1), u"\\0131");
}

TEST(LineEnding, AppendsItsBytesAlsoToAnEmptyMessage)
{
    EXPECT_EQ(withLineEnding("AT", LineEnding::None), "AT");
    EXPECT_EQ(withLineEnding("", LineEnding::Lf), "\n");
    EXPECT_EQ(withLineEnding("", LineEnding::Cr), "\r");
    EXPECT_EQ(withLineEnding("AT", LineEnding::CrLf), "AT\r\n");
}

TEST(MacroSet, EditsAndOrderAreKeptAcrossAReload)
{
    TempDir dir;
    const std::string path = dir.path() + "/macros";
    {
        MacroSet set(path);
        EXPECT_EQ(set.load(), "");
        for (const char* name : {"reset", "id", "signal"})
            EXPECT_EQ(set.add({name, std::string("AT") + name + "\r"}), "");
        EXPECT_EQ(set.edit(1, {"ident", "ATI\r\n"}), "");
        EXPECT_EQ(set.move(2, 0), "");
        EXPECT_EQ(set.remove(2), "");
    }
    MacroSet again(path);
    EXPECT_EQ(again.load(), "");
    EXPECT_EQ(again.macros(), (std::vector<Macro>{{"signal", "ATsignal\r"}, {"reset", "ATreset\r"}}));
    EXPECT_EQ(again.move(0, 1), "");
    EXPECT_EQ(again.macros().front().name, "reset");
}

TEST(MacroSet, HoldsTwelveAndSurvivesADamagedFile)
{
    TempDir dir;
    MacroSet set(dir.path() + "/macros");
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(set.add({"m" + std::to_string(i), "x"}), "");
    EXPECT_NE(set.add({"thirteenth", "x"}), "");
    EXPECT_NE(set.edit(12, {"none", ""}), "");
    EXPECT_EQ(set.macros().size(), MacroSet::limit);

    dir.writeFile("macros", "serialterm macros 1\nname-without-bytes\n");
    MacroSet damaged(dir.path() + "/macros");
    EXPECT_NE(damaged.load().find("damaged"), std::string::npos);
    EXPECT_TRUE(damaged.macros().empty());
}

} // namespace
