#include "app/appendLogText.h"

namespace {

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

char* writeUtf8(char* out, char32_t c)
{
    const auto byte = [&](char32_t bits) { *out++ = static_cast<char>(bits); };
    if (c < 0x800) {
        byte(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
    }
    byte(0x80 | (c & 0x3F));
    return out;
}

} // namespace

void appendLogText(std::string& line, std::u16string_view text)
{
    // A unit takes at most three bytes, a surrogate pair four for its two units: size for the
    // worst case and write through a pointer, since the decoder logs whole views per keystroke.
    const std::size_t start = line.size();
    line.resize(start + 3 * text.size());
    char* out = line.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (unit - 1 < 0x7F) { // 1 to 0x7F
            *out++ = static_cast<char>(unit);
        } else if (unit == 0) {
            continue;
        } else if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            out = writeUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            out = writeUtf8(out, 0xFFFD);
        } else {
            out = writeUtf8(out, unit);
        }
    }
    line.resize(static_cast<std::size_t>(out - line.data()));
}
