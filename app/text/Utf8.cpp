#include "app/text/Utf8.h"

#include "toolkit/Utf16.h"

namespace {

// A unit as the byte it holds; a char is signed here, a char16_t above 0xFF holds no byte.
char32_t unitValue(char unit)
{
    return static_cast<unsigned char>(unit);
}
char32_t unitValue(char16_t unit)
{
    return unit;
}

template <typename Unit>
std::size_t sequenceAt(std::basic_string_view<Unit> bytes, char32_t& character)
{
    if (bytes.empty())
        return 0;
    const char32_t lead = unitValue(bytes[0]);
    std::size_t length = 0;
    // The second byte's range depends on the lead: that is where overlong forms, surrogates
    // and values above U+10FFFF are shut out.
    char32_t low = 0x80;
    char32_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        character = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        character = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        character = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const char32_t unit = unitValue(bytes[i]);
        if (unit < low || unit > high)
            return 0;
        character = character << 6 | (unit & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

} // namespace

std::size_t utf8SequenceAt(std::u16string_view bytes, char32_t& character)
{
    return sequenceAt(bytes, character);
}

std::size_t utf8SequenceAt(std::string_view bytes, char32_t& character)
{
    return sequenceAt(bytes, character);
}

void appendUtf8Bytes(std::u16string& out, std::u16string_view text)
{
    const auto byte = [&out](char32_t bits) { out.push_back(static_cast<char16_t>(bits)); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            byte(c);
            continue;
        }
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1]))
            c = surrogatePairValue(c, text[++i]);
        else if (isHighSurrogate(c) || isLowSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            byte(0xC0 | c >> 6);
        } else if (c < 0x10000) {
            byte(0xE0 | c >> 12);
            byte(0x80 | (c >> 6 & 0x3F));
        } else {
            byte(0xF0 | c >> 18);
            byte(0x80 | (c >> 12 & 0x3F));
            byte(0x80 | (c >> 6 & 0x3F));
        }
        byte(0x80 | (c & 0x3F));
    }
}

std::u16string utf8Text(std::u16string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        char32_t c = bytes[i];
        std::size_t length = 1;
        // Only 0xC2-0xF4 may lead a sequence.
        if (c >= 0xC2 && c <= 0xF4) {
            length = utf8SequenceAt(bytes.substr(i), c);
            if (length == 0) {
                c = 0xFFFD;
                length = 1;
            }
        } else if (c >= 0x80) {
            c = 0xFFFD;
        }
        appendUtf16(text, c);
        i += length;
    }
    return text;
}
