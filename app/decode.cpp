#include "app/decode.h"

#include "app/ViewType.h"
#include "app/appendLogText.h"
#include "app/readByteValue.h"
#include "toolkit/Log.h"

namespace {

void logDecoded(std::string_view prefix, std::u16string_view text)
{
    std::string line(prefix);
    appendLogText(line, text);
    logLine(line);
}

// A gray stretch holds adjacent escapes, each starting with the separator. Whatever comes
// before the first separator is not an escape and is dropped, and so is a stretch with none.
// A number never runs into the next separator (a backslash is no digit, space or sign), so it
// is read straight from the stretch and the search for the next separator starts after it.
void appendEscapes(std::u16string& result, std::u16string_view stretch, std::u16string_view separator,
                   int base)
{
    std::size_t at = stretch.find(separator);
    while (at != std::u16string_view::npos) {
        const std::size_t start = at + separator.size();
        std::size_t used = 0;
        if (const auto value = readByteValue(stretch.substr(start), base, &used))
            result.push_back(static_cast<char16_t>(*value));
        // Escapes written by the filter adjoin, so look right after the number first.
        const std::size_t next = start + used;
        at = stretch.substr(next).starts_with(separator) ? next : stretch.find(separator, next);
    }
}

} // namespace

std::u16string decodeEscapes(const AttributedText& text, int type)
{
    std::u16string_view separator;
    int base = 10;
    switch (type) {
    case ViewTypeMixed:
    case ViewTypeDecimal:
        separator = u"\\";
        break;
    case ViewTypeHex:
        separator = u"\\0x";
        base = 16;
        break;
    default:
        return text.string();
    }

    // Every escape stands for at most one unit and plain text is copied as it is, so the
    // result is never longer than the text.
    std::u16string result;
    result.reserve(text.length());
    const ColorRef& gray = grayColor();
    for (const AttributedText::Run& run : text.runs()) {
        if (!run.color)
            result.append(text.runText(run));
        else if (run.color == gray)
            appendEscapes(result, text.runText(run), separator, base);
    }
    return result;
}

std::u16string decode(const AttributedText& text, int type)
{
    logDecoded("DECODED: BEFORE: ", text.string());
    std::u16string result = decodeEscapes(text, type);
    if (type == ViewTypeMixed || type == ViewTypeDecimal || type == ViewTypeHex)
        logDecoded("DECODED: AFTER: ", result);
    return result;
}
