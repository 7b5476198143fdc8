// Renders text for a view in one of the ViewType modes: plain, or with characters written as
// escapes ("\65", "\0x41") coloured with the shared escape gray, which decode() reads back.
#pragma once

#include "toolkit/AttributedText.h"

#include <string_view>

// Mixed mode looks only at the low 8 bits of each code unit; decimal and hex escape the whole
// 16-bit unit. Any mode other than 1, 2 or 3 gives the text itself with no colour.
AttributedText filterString(std::u16string_view text, int type);
