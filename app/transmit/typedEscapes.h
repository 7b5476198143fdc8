// Escapes the user typed, in the views where every byte shows as one: in the decimal view
// "\65" and in the hex view "\0x41" typed as plain text stand for the byte, as the gray ones
// the view writes do. One still being typed at the caret ("\0x4", which a "1" may follow) is
// left as it is, so the next key can finish it.
#pragma once

#include "toolkit/AttributedText.h"

#include <cstddef>
#include <optional>

// text with each complete escape in its plain runs coloured with the escape gray, so the
// decoder reads it as its byte. In any other view mode the text comes back as it is. caret:
// where the user types; pending gets the range of an escape unfinished there, if any.
AttributedText markTypedEscapes(const AttributedText& text, int type, std::optional<std::size_t> caret,
                                std::optional<TextRange>* pending = nullptr);
