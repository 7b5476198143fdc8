// The UTF-8 side of the filter and decoder: any bytes rendered in any view read back as the
// same bytes, with a caret kept at the character it was before; and any attributed text,
// read as the editor reads it, stands for bytes that a rebuild shows and reads back unchanged.
//
// Input: the first byte picks the mode (-2 to 5) and, in its top bit, what follows: bytes to
// render, or segments of attributed text, each a header byte (low two bits: no colour, the
// escape gray, red, or the gray of an undecodable byte, the header's value; the rest: the
// segment's length in units) and its units, one byte each, or 0xFF and two bytes for any unit.
#include "app/text/decode.h"
#include "app/text/filterString.h"
#include "app/text/filterUtf8.h"
#include "fuzz/FuzzText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

constexpr TextEncoding utf8 = TextEncodingUtf8;

AttributedText textFrom(const std::uint8_t* data, std::size_t size)
{
    static const ColorRef red = makeColor(0xFF, 0, 0);
    static const ColorRef none;
    return attributedTextFrom(data, size, [](std::uint8_t header) -> const ColorRef& {
        const ColorRef* colors[] = {&none, &grayColor(), &red, &grayColor()};
        return *colors[header & 3];
    });
}

// Bytes rendered in mode read back as themselves, and a caret before index comes back at the
// start of the character holding that byte or of the next one.
void checkRendering(std::u16string_view bytes, int mode, std::size_t index)
{
    std::size_t rendered = 0;
    ByteStandIns standIns;
    const AttributedText shown = filterString(bytes, mode, index, rendered, utf8, &standIns);
    std::size_t caret = 0;
    if (shown != filterString(bytes, mode, utf8) ||
        decodeEscapes(shown, mode, rendered, &caret, utf8, standIns) != bytes || caret < index || caret > index + 3)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0] % 8 - 2;
    if ((data[0] & 0x80) == 0) {
        const std::u16string bytes(data + 1, data + size);
        checkRendering(bytes, mode, size % (bytes.size() + 1));
        return 0;
    }
    const AttributedText text = textFrom(data + 1, size - 1);
    const std::u16string bytes = decode(text, mode, utf8);
    const std::size_t position = size % (text.length() + 1);
    std::size_t mapped = 0;
    if (decodeEscapes(text, mode, position, &mapped, utf8) != bytes
        || mapped != decodeEscapes(text.attributedSubstring(TextRange{0, position}), mode, 0, nullptr, utf8).size())
        __builtin_trap();
    for (const char16_t unit : bytes) {
        if (unit > 0xFF)
            __builtin_trap();
    }
    checkRendering(bytes, mode, std::min(mapped, bytes.size()));
    return 0;
}
