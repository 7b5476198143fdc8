#include "toolkit/printableText.h"

std::string printableText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            result += "\\" + std::to_string(byte);
        else
            result += c;
    }
    return result;
}
