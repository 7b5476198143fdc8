#include "app/renderCaptureLine.h"

#include "app/filterString.h"

std::string renderCaptureLine(std::string_view bytes, int viewType)
{
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    const std::u16string rendered = filterString(text, viewType).string();
    std::string out;
    out.reserve(rendered.size() + rendered.size() / 4);
    // Received bytes and escapes never leave the first 65536 characters, so no surrogates.
    for (const char16_t unit : rendered) {
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
        } else if (unit < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
            out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        }
    }
    return out;
}
