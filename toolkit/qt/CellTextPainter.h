// Draws stretches of attributed text into equal whole-pixel cells of a monospace font.
// Each glyph is rendered once per text and background colour into an opaque cell image, and a
// row is composed from those cells straight into the window's pixels where Qt allows, else into
// a line image copied out in one blit: no glyph blending per repaint.
// Characters the font lacks, and scaled or high-DPI painting, fall back to ordinary drawing.
#pragma once

#include "toolkit/AttributedText.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRawFont>
#include <QVector>

#include <array>
#include <utility>
#include <vector>

class QPainter;

class CellTextPainter {
public:
    struct Colors {
        QColor plain;              // text without a colour of its own
        QColor selectedPlain;      // the same inside the selection
        QColor background;         // what the cells stand on
        QColor selectedBackground; // the same inside the selection
    };

    void setFont(const QFont& font);
    int cellWidth() const { return cellWidth_; }
    int lineHeight() const { return lineHeight_; }

    // What a code unit looks like in its one cell: control characters as their pictures.
    static char16_t displayUnit(char16_t unit);
    // What stands in for it when the font has no such picture.
    static char16_t substituteUnit(char16_t unit);

    // Draws the units [start, end) of text, backgrounds included, from origin (the top left of the
    // first cell), and the plain background over the rest of band (the row's whole width, one
    // line high): a row is then one blit, and nothing around it needs a fill of its own.
    void drawCells(QPainter& painter, const QRect& band, QPoint origin, const AttributedText& text, std::size_t start,
                   std::size_t end, TextRange selection, const Colors& colors);

private:
    struct Batch {
        QRgb color;
        QVector<quint32> glyphs;
        QVector<QPointF> positions;
    };
    struct Fallback {
        QRgb color;
        int x;
        QString text;
    };
    // Rendered cells in one text colour on one background, each cellWidth_ x lineHeight_ pixels.
    struct Atlas {
        QRgb foreground;
        QRgb background;
        std::vector<QRgb> pixels;
        std::array<int, 256> latinSlots;
        QHash<char16_t, int> otherSlots;
    };

    quint32 glyphFor(char16_t unit);
    Batch& batchFor(QRgb color);
    Atlas& atlasFor(QRgb foreground, QRgb background);
    // Where in the atlas's pixels the unit's rendered cell starts, rendering it if need be.
    std::size_t cellPixels(Atlas& atlas, char16_t unit, quint32 glyph);
    void drawGlyphRuns(QPainter& painter, QPoint origin, const AttributedText& text, std::size_t start,
                       std::size_t end, TextRange selection, const Colors& colors);
    void blitCells(QPainter& painter, const QRect& band, QPoint origin, const AttributedText& text, std::size_t start,
                   std::size_t end, TextRange selection, const Colors& colors);
    void drawFallbacks(QPainter& painter, QPoint origin);

    QFont font_;
    QRawFont rawFont_;
    int cellWidth_ = 8;
    int lineHeight_ = 16;
    qreal ascent_ = 12;
    std::array<quint32, 256> latinGlyphs_{};
    QHash<char16_t, quint32> otherGlyphs_;
    std::vector<Batch> batches_;
    std::size_t usedBatches_ = 0;
    std::vector<Fallback> fallbacks_;
    std::vector<Atlas> atlases_;
    std::size_t atlasPixels_ = 0;
    bool overfull_ = false; // past the limits: dropped before the next row
    // Lays a row of cells into lines of pixels: (row, stride, cells, count, height, left, width,
    // background, cell width), compiled for the cell width where it is a usual one.
    void (*composeLines_)(uchar*, std::size_t, const QRgb* const*, std::size_t, int, int, int, QRgb, int) = nullptr;
    std::vector<std::pair<std::size_t, std::size_t>> cellRefs_;
    std::vector<const QRgb*> cellSources_;
    QImage line_;
};
