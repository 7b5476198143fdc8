// Draws stretches of attributed text into equal cells of a monospace font.
// Glyphs are looked up once and drawn as positioned glyph runs, one per colour and line, so a
// repaint does no text shaping; characters the font lacks fall back to ordinary text drawing.
#pragma once

#include "toolkit/AttributedText.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPointF>
#include <QRawFont>
#include <QVector>

#include <array>
#include <vector>

class QPainter;

class CellTextPainter {
public:
    struct Colors {
        QColor plain;            // text without a colour of its own
        QColor selectedPlain;    // the same inside the selection
    };

    void setFont(const QFont& font);
    qreal cellWidth() const { return cellWidth_; }
    int lineHeight() const { return lineHeight_; }

    // What a code unit looks like in its one cell: control characters as their pictures.
    static char16_t displayUnit(char16_t unit);
    // What stands in for it when the font has no such picture.
    static char16_t substituteUnit(char16_t unit);

    // Draws the units [start, end) of text from origin (the top left of the first cell).
    void drawCells(QPainter& painter, QPointF origin, const AttributedText& text, std::size_t start,
                   std::size_t end, TextRange selection, const Colors& colors);

private:
    struct Batch {
        QRgb color;
        QVector<quint32> glyphs;
        QVector<QPointF> positions;
    };

    quint32 glyphFor(char16_t unit);
    Batch& batchFor(QRgb color);
    void addCell(QRgb color, char16_t unit, qreal x);

    QFont font_;
    QRawFont rawFont_;
    qreal cellWidth_ = 8;
    int lineHeight_ = 16;
    qreal ascent_ = 12;
    std::array<quint32, 256> latinGlyphs_{};
    QHash<char16_t, quint32> otherGlyphs_;
    std::vector<Batch> batches_;
    std::size_t usedBatches_ = 0;
    struct Fallback {
        QRgb color;
        qreal x;
        QString text;
    };
    std::vector<Fallback> fallbacks_;
};
