// Reads text rendered by filterString() back into the characters it stands for: gray escapes
// become their characters, uncoloured text stays, text of any other colour is dropped.
// This is how the transmit editor's content is recovered before it is re-rendered or sent.
#pragma once

#include "toolkit/AttributedText.h"

#include <string>

// Prints "DECODED: BEFORE: " with the text as written, and in modes 1 to 3 also
// "DECODED: AFTER: " with the result. In any other mode the text is returned as it is.
// An escape whose number has no digits, is negative or is above 255 gives nothing.
std::u16string decode(const AttributedText& text, int type);
// The same reading without the log lines, for work the user never asked for (such as
// finding where the caret goes after a rebuild).
std::u16string decodeEscapes(const AttributedText& text, int type);
