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
    if (!font.isValid() || cellWidth_ <= 0)
        return false;
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    if (glyphs.size() != text.size() || std::find(glyphs.begin(), glyphs.end(), 0u) != glyphs.end())
        return false;
    QList<QPointF> positions(glyphs.size());
    for (qsizetype i = 0; i < positions.size(); ++i)
        positions[i] = QPointF(static_cast<qreal>(i * cellWidth_), 0);
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.setPen(ink);
    painter.drawGlyphRun(baseline, run);
    return true;
}
