// UTF-8 in the views: bytes are what is kept, characters only how they are shown, and every
// view in either encoding reads back as exactly the bytes it shows.
#include "app/text/ViewType.h"
#include "app/text/decode.h"
#include "app/text/filterString.h"
#include "tests/support/GrayMask.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::u16string units(std::string_view bytes)
{
    std::u16string result;
    for (const char byte : bytes)
        result.push_back(static_cast<unsigned char>(byte));
    return result;
}

// Pieces that a byte stream in UTF-8 is made of, whole and broken: valid sequences of every
// length, overlong forms, encoded surrogates, values past U+10FFFF, stray and missing bytes.
std::string randomUtf8ish(std::mt19937& random)
{
    static const std::string_view pieces[] = {
        "a", " ", "\\", "\0", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC2\x85", "\xEF\xBF\xBD",
        "\xC0\x80", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80",
        "\xF8\x88\x80\x80\x80", "\xFF", "\x80", "\xBF", "\xE2\x82", "\xF0\x9F\x98", "\xC3"};
    std::string bytes;
    for (int n = std::uniform_int_distribution<int>(0, 30)(random); n > 0; --n) {
        const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, std::size(pieces))(random);
        if (pick == std::size(pieces)) // any byte at all, so every value turns up
            bytes.push_back(static_cast<char>(random() & 0xFF));
        else
            bytes.append(pieces[pick].empty() ? std::string_view("\0", 1) : pieces[pick]);
    }
    // Cut at either end, as a read or the buffer's trimming may cut.
    const std::size_t front = bytes.empty() ? 0 : random() % 3 % bytes.size();
    return bytes.substr(front, bytes.size() - front - (bytes.size() > front ? random() % 3 % (bytes.size() - front) : 0));
}

TEST(Encodings, EveryViewInEitherEncodingReadsBackAsExactlyTheBytesItShows)
{
    std::mt19937 random(14);
    for (int round = 0; round < 2000; ++round) {
        const std::u16string bytes = units(randomUtf8ish(random));
        for (const TextEncoding encoding : {TextEncodingUtf8, TextEncodingLatin1}) {
            for (const int mode : {0, 1, 2, 3, -1}) {
                std::size_t unused = 0;
                ByteStandIns standIns;
                const AttributedText shown = filterString(bytes, mode, 0, unused, encoding, &standIns);
                ASSERT_EQ(decodeEscapes(shown, mode, 0, nullptr, encoding, standIns), bytes)
                    << encoding << " " << mode << " " << round;
            }
        }
    }
}

// é € 日本, then an encoded surrogate, an overlong "/", a C1 control and a cut-off €.
const std::u16string mixedBag =
    units("h\xC3\xA9 \xE2\x82\xAC\xE6\x97\xA5\xE6\x9C\xAC|\xED\xA0\x80|\xC0\xAF|\xC2\x85|\xE2\x82");

TEST(Utf8, TheViewsShowSequencesAsCharactersAndEveryOtherByteAsAGrayReplacementOrItsEscape)
{
    const AttributedText text = filterString(mixedBag, ViewTypeText, TextEncodingUtf8);
    EXPECT_EQ(text.string(), u"h\u00E9 \u20AC\u65E5\u672C|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD|\u0085|\uFFFD\uFFFD");
    EXPECT_EQ(grayMask(text), ".......###.##...##");
    // Mixed shows characters plain; the numeric views stay byte by byte.
    EXPECT_EQ(filterString(mixedBag, ViewTypeMixed, TextEncodingUtf8).string(),
              u"h\u00E9\\32\u20AC\u65E5\u672C|\\237\\160\\128|\\192\\175|\\194\\133|\\226\\130");
    EXPECT_EQ(filterString(mixedBag, ViewTypeHex, TextEncodingUtf8), filterString(mixedBag, ViewTypeHex));
}

} // namespace
