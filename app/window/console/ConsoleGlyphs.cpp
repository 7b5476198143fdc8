#include "app/window/console/ConsoleGlyphs.h"

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QPoint>
#include <QString>

#include <algorithm>

void ConsoleGlyphs::setFonts(const QFont& plain, const QFont& bold, int cellWidth)
{
    plain_ = QRawFont::fromFont(plain);
    bold_ = QRawFont::fromFont(bold);
    // A bold Qt makes up by thickening a plain face is not in the raw font: drawText does it.
    if (bold_.weight() < QFont::DemiBold)
        bold_ = QRawFont();
    cellWidth_ = cellWidth;
}

bool ConsoleGlyphs::draw(QPainter& painter, QPoint baseline, const QString& text, bool bold, const QColor& ink) const
{
    const QRawFont& font = bold ? bold_ : plain_;
    if (!canDraw(bold))
        return false;
    // The buffers stay between runs: a frame draws hundreds of them.
    const int size = static_cast<int>(text.size());
    glyphs_.resize(static_cast<std::size_t>(size));
    int count = size;
    if (!font.glyphIndexesForChars(text.constData(), size, glyphs_.data(), &count) || count != size ||
        std::find(glyphs_.begin(), glyphs_.end(), 0u) != glyphs_.end())
        return false;
    positions_.resize(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        positions_[static_cast<std::size_t>(i)] = QPointF(static_cast<qreal>(i * cellWidth_), 0);
    QGlyphRun run;
    run.setRawFont(font);
    run.setRawData(glyphs_.data(), positions_.data(), size);
    painter.setPen(ink);
    painter.drawGlyphRun(baseline, run);
    return true;
}
