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

// Appends the UTF-8 bytes of text, one per unit, to out. A surrogate pair is one character;
// an unpaired half is not a character and is written as U+FFFD.
void appendUtf8Bytes(std::u16string& out, std::u16string_view text);
