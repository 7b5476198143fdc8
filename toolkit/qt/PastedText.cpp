#include "toolkit/qt/PastedText.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

#include <unordered_map>

namespace {

AttributedText fromHtml(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    AttributedText result;
    // One colour object per shade, so a stretch spread over fragments stays one run.
    std::unordered_map<QRgb, ColorRef> colors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            result.append(u'\n');
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            ColorRef color;
            if (format.hasProperty(QTextFormat::ForegroundBrush)) {
                const QColor shade = format.foreground().color();
                ColorRef& shared = colors[shade.rgb()];
                if (!shared)
                    shared = makeColor(static_cast<std::uint8_t>(shade.red()), static_cast<std::uint8_t>(shade.green()),
                                       static_cast<std::uint8_t>(shade.blue()));
                color = shared;
            }
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            result.append(text.toStdU16String(), color);
        }
    }
    return result;
}

} // namespace

AttributedText pastedText(const QMimeData& data)
{
    if (data.hasHtml())
        return fromHtml(data.html());
    if (data.hasText())
        return AttributedText(data.text().toStdU16String());
    return AttributedText();
}
