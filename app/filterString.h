// Renders text for a view in one of the ViewType modes: plain, or with characters written as
// escapes ("\65", "\0x41") coloured with the shared escape gray, which decode() reads back.
#pragma once

#include "toolkit/AttributedText.h"

#include <string_view>

// Mixed mode looks only at the low 8 bits of each code unit; decimal and hex escape the whole
// 16-bit unit. Any mode other than 1, 2 or 3 gives the text itself with no colour.
AttributedText filterString(std::u16string_view text, int type);
// The same, also giving in renderedIndex where the character at index starts in the result
// (the result's length for an index at or past the end): where a caret before it goes.
AttributedText filterString(std::u16string_view text, int type, std::size_t index, std::size_t& renderedIndex);
