// Renders text for a view in one of the ViewType modes: plain, or with characters written as
// escapes ("\65", "\0x41") coloured with the shared escape gray, which decode() reads back.
#pragma once

#include "app/text/ByteStandIn.h"
#include "app/text/TextEncoding.h"
#include "toolkit/AttributedText.h"

#include <string>
#include <string_view>

// Mixed mode looks only at the low 8 bits of each code unit; decimal and hex escape the whole
// 16-bit unit. Any mode other than 1, 2 or 3 gives the text itself with no colour.
// In UTF-8 the text is bytes, one per unit, and the text and mixed views show them as
// filterUtf8() does; decimal and hex escape byte by byte in either encoding.
AttributedText filterString(std::u16string_view text, int type, TextEncoding encoding = TextEncodingLatin1);
// The same, also giving in renderedIndex where the character at index starts in the result
// (the result's length for an index at or past the end): where a caret before it goes; and in
// standIns, when given, the characters that stand for bytes they cannot show.
AttributedText filterString(std::u16string_view text, int type, std::size_t index, std::size_t& renderedIndex,
                            TextEncoding encoding = TextEncodingLatin1, ByteStandIns* standIns = nullptr);
// Bytes as received, rendered as the same bytes held one per unit are.
AttributedText filterString(std::string_view bytes, int type, TextEncoding encoding = TextEncodingLatin1);
AttributedText filterString(std::string_view bytes, int type, std::size_t index, std::size_t& renderedIndex,
                            TextEncoding encoding = TextEncodingLatin1);
// Appends the decimal escapes of bytes (each unit taken by its low byte) as the mixed view
// writes them, without colour.
void appendDecimalEscapes(std::u16string& out, std::u16string_view bytes);
