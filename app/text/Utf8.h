// UTF-8 for text whose bytes are held one per code unit (the receive buffer, decoded editor
// text): reading one well-formed sequence, and writing characters as such bytes.
// Well-formed means as Unicode defines it: no overlong forms, no surrogates, nothing above
// U+10FFFF, and no sequence cut short.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length (2 to 4) of the well-formed multi-byte sequence at the start of bytes, with its
// character in character; 0 when there is none (a single byte, an ASCII one included, is not
// a multi-byte sequence). A unit above 0xFF is no byte and starts or continues nothing.
std::size_t utf8SequenceAt(std::u16string_view bytes, char32_t& character);
// The same over bytes as they came.
std::size_t utf8SequenceAt(std::string_view bytes, char32_t& character);

// Appends character as UTF-16: one unit, or a surrogate pair beyond U+FFFF.
inline void appendUtf16(std::u16string& out, char32_t character)
{
    if (character < 0x10000) {
        out.push_back(static_cast<char16_t>(character));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF)));
    }
}

// Appends the UTF-8 bytes of text, one per unit, to out. A surrogate pair is one character;
// an unpaired half is not a character and is written as U+FFFD.
void appendUtf8Bytes(std::u16string& out, std::u16string_view text);

// The characters bytes stand for, each byte that is part of no sequence as U+FFFD: what the
// text view shows, without its colours.
std::u16string utf8Text(std::u16string_view bytes);
