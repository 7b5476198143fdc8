#include "app/transmit/typedEscapes.h"

#include "app/text/ViewType.h"
#include "app/text/readByteValue.h"

namespace {

struct Scan {
    std::size_t length = 0; // of the escape, 0 for none
    bool canGrow = false;   // one more digit would still make an escape
};

// The escape at the start of text in the view's form; an unfinished prefix ("\", "\0x") has
// length 0 but canGrow.
Scan escapeAt(std::u16string_view text, bool hex)
{
    const std::u16string_view prefix = hex ? u"\\0x" : u"\\";
    const std::size_t maxDigits = hex ? 2 : 3;
    const int base = hex ? 16 : 10;
    std::size_t matched = 0;
    while (matched < prefix.size() && matched < text.size() &&
           (prefix[matched] == u'x' ? (text[matched] | 0x20) == u'x' : text[matched] == prefix[matched]))
        ++matched;
    if (matched < prefix.size())
        return {0, matched == text.size()}; // a prefix cut by the end of the text may grow
    unsigned value = 0;
    std::size_t digits = 0;
    while (digits < maxDigits && prefix.size() + digits < text.size()) {
        const int digit = digitValue(text[prefix.size() + digits], base);
        if (digit < 0 || value * static_cast<unsigned>(base) + static_cast<unsigned>(digit) > 255)
            break;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        ++digits;
    }
    if (digits == 0)
        return {0, prefix.size() == text.size()};
    const bool atEnd = prefix.size() + digits == text.size();
    const bool roomForDigit = digits < maxDigits && value * static_cast<unsigned>(base) <= 255;
    return {prefix.size() + digits, atEnd && roomForDigit};
}

} // namespace

AttributedText markTypedEscapes(const AttributedText& text, int type, std::optional<std::size_t> caret,
                                std::optional<TextRange>* pending)
{
    if (pending)
        pending->reset();
    if (type != ViewTypeDecimal && type != ViewTypeHex)
        return text;
    const bool hex = type == ViewTypeHex;
    AttributedText result = text;
    for (const AttributedText::Run& run : text.runs()) {
        if (run.color)
            continue;
        const std::u16string_view plain = text.runText(run);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            if (plain[i] != u'\\')
                continue;
            // Up to the caret only, when it is in the run: what follows it is not typed yet.
            const std::size_t at = run.location + i;
            const std::size_t end = caret && *caret >= at && *caret <= run.location + run.length
                                        ? *caret - run.location
                                        : plain.size();
            const Scan scan = escapeAt(plain.substr(i, end - i), hex);
            if (scan.canGrow && caret && at + (end - i) == *caret) {
                if (pending)
                    *pending = TextRange{at, *caret - at};
                break;
            }
            if (scan.length > 0) {
                result.replaceCharacters(TextRange{at, scan.length}, plain.substr(i, scan.length), grayColor());
                i += scan.length - 1;
            }
        }
    }
    return result;
}
