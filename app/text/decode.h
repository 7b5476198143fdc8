// Reads text rendered by filterString() back into the characters it stands for: gray escapes
// become their characters, uncoloured text stays, text of any other colour is dropped.
// This is how the transmit editor's content is recovered before it is re-rendered or sent.
#pragma once

#include "app/text/ByteStandIn.h"
#include "app/text/TextEncoding.h"
#include "toolkit/AttributedText.h"

#include <string>
#include <string_view>

// Prints "DECODED: BEFORE: " with the text as written, and in modes 1 to 3 also
// "DECODED: AFTER: " with the result. In any other mode the text is returned as it is.
// An escape whose number has no digits, is negative or is above 255 gives nothing.
// In UTF-8 the result is bytes, one per unit: characters become their UTF-8 bytes, and each
// gray U+FFFD that a stand-in names becomes that byte again. The text view reads every other
// colour as characters, as it does in Latin-1.
std::u16string decode(const AttributedText& text, int type, TextEncoding encoding = TextEncodingLatin1,
                      const ByteStandIns& standIns = {});
// The same reading without the log lines. If decodedPosition is given it receives how many
// characters the text before position stands for, read as if the text ended there: where a
// caret at position goes once the result is rendered anew.
std::u16string decodeEscapes(const AttributedText& text, int type, std::size_t position = 0,
                             std::size_t* decodedPosition = nullptr, TextEncoding encoding = TextEncodingLatin1,
                             const ByteStandIns& standIns = {});
// The lines decode() prints for text that reads as decoded. In UTF-8 the second line shows the
// bytes as the text view would.
void logDecoded(std::u16string_view text, std::u16string_view decoded, int type,
                TextEncoding encoding = TextEncodingLatin1);
