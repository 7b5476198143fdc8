#include "toolkit/qt/wordAt.h"

#include "toolkit/qt/MonoTextLayout.h"

#include <QChar>

#include <algorithm>

int wordClass(char16_t unit)
{
    const QChar ch(unit);
    if (ch.isLetterOrNumber() || unit == u'_')
        return 1;
    if (ch.isSpace() || unit < 0x20)
        return 0;
    return 2;
}

TextRange wordAt(std::u16string_view text, std::size_t position)
{
    if (text.empty())
        return TextRange{};
    const std::size_t at = std::min(position, text.size() - 1);
    const int kind = wordClass(text[at]);
    std::size_t from = at;
    std::size_t to = at + 1;
    while (from > 0 && wordClass(text[from - 1]) == kind && !MonoTextLayout::isLineBreak(text[from - 1]))
        --from;
    while (to < text.size() && wordClass(text[to]) == kind && !MonoTextLayout::isLineBreak(text[to]))
        ++to;
    return TextRange{from, to - from};
}
