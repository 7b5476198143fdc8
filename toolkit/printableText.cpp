#include "toolkit/printableText.h"

namespace {

// The length of the well-formed UTF-8 sequence of two to four bytes at the start of text, with
// its character; 0 when there is none.
std::size_t sequenceAt(std::string_view text, char32_t& character)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    }
    if (length == 0 || text.size() < length)
        return 0;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    character = value;
    return length;
}

void escape(std::string& out, std::string_view bytes)
{
    for (const char c : bytes)
        out += "\\" + std::to_string(static_cast<unsigned char>(c));
}

} // namespace

std::string printableText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F || byte == '\\')
                escape(result, text.substr(i, 1));
            else
                result += text[i];
            ++i;
            continue;
        }
        char32_t character = 0;
        const std::size_t length = sequenceAt(text.substr(i), character);
        if (length == 0 || character <= 0x9F)
            escape(result, text.substr(i, length == 0 ? 1 : length));
        else
            result.append(text.substr(i, length));
        i += length == 0 ? 1 : length;
    }
    return result;
}
