// Draws a console's runs of text as glyph runs placed on its cells, with no text layout or
// shaping per run, which drawText did for every run of every frame. A run it cannot place
// exactly (a character the font lacks, one outside the BMP, a font Qt cannot hand out raw)
// answers false, and the caller draws it the ordinary way.
#pragma once

#include <QPointF>
#include <QRawFont>

#include <vector>

class QColor;
class QFont;
class QPainter;
class QPoint;
class QString;

class ConsoleGlyphs {
public:
    void setFonts(const QFont& plain, const QFont& bold, int cellWidth);
    bool canDraw(bool bold) const { return cellWidth_ > 0 && (bold ? bold_ : plain_).isValid(); }
    bool draw(QPainter& painter, QPoint baseline, const QString& text, bool bold, const QColor& ink) const;

private:
    QRawFont plain_;
    QRawFont bold_;
    int cellWidth_ = 0;
    mutable std::vector<quint32> glyphs_;
    mutable std::vector<QPointF> positions_;
};
