// Renders bytes (one per code unit) as UTF-8 for the text and mixed views. Each well-formed
// sequence shows as its character; a byte that is part of none never turns into another
// character: the text view shows it as U+FFFD in a gray that names the byte, the mixed view
// as its gray decimal escape. decodeEscapes() reads either back into the very bytes.
#pragma once

#include "toolkit/AttributedText.h"

#include <cstddef>
#include <optional>
#include <string_view>

// Mixed mode (ViewTypeMixed) shows printable ASCII and the characters of multi-byte sequences
// plain, and escapes every other byte, the bytes of the C1 control characters included; any
// other mode renders as the text view. renderedIndex gets where the character holding the byte
// at index, or the first one after it, starts in the result.
AttributedText filterUtf8(std::u16string_view bytes, int type, std::size_t index, std::size_t& renderedIndex);

// The colour of the U+FFFD standing for byte in the text view: the escape gray's shade, and
// one shared object per byte value, as the escape gray is one object.
const ColorRef& undecodedByteColor(unsigned char byte);
// The byte whose U+FFFD carries color, if it is one of those colours.
std::optional<unsigned char> undecodedByteOf(const ColorRef& color);
