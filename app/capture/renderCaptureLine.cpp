#include "app/capture/renderCaptureLine.h"

#include "app/text/Utf8.h"
#include "app/text/filterString.h"

std::string renderCaptureLine(std::string_view bytes, int viewType, TextEncoding encoding)
{
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    std::u16string utf8;
    appendUtf8Bytes(utf8, filterString(text, viewType, encoding).string());
    std::string out(utf8.size(), '\0');
    for (std::size_t i = 0; i < utf8.size(); ++i)
        out[i] = static_cast<char>(utf8[i]);
    return out;
}
