// Renders bytes (one per code unit) as UTF-8 for the text and mixed views. Each well-formed
// sequence shows as its character; a byte that is part of none never turns into another
// character: the text view shows it as a gray U+FFFD, the mixed view as its gray decimal
// escape. decodeEscapes() reads either back into the very bytes, given the stand-ins.
#pragma once

#include "app/text/ByteStandIn.h"
#include "toolkit/AttributedText.h"

#include <cstddef>
#include <string_view>

// Mixed mode (ViewTypeMixed) shows printable ASCII and the characters of multi-byte sequences
// plain, and escapes every other byte, the bytes of the C1 control characters included; any
// other mode renders as the text view. renderedIndex gets where the character holding the byte
// at index, or the first one after it, starts in the result. standIns, when given, gets each
// gray U+FFFD of the text view with the byte it stands for.
AttributedText filterUtf8(std::u16string_view bytes, int type, std::size_t index, std::size_t& renderedIndex,
                          ByteStandIns* standIns = nullptr);
