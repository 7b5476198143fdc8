#include "toolkit/qt/CellTextPainter.h"

#include "toolkit/Utf16.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr quint32 unknownGlyph = std::numeric_limits<quint32>::max();
// Past these the rendered cells are dropped and drawn again as needed: text in many colours,
// or in many scripts, must not grow memory without end.
constexpr std::size_t maxAtlases = 16;
constexpr std::size_t maxAtlasPixels = std::size_t{1} << 21;
constexpr std::size_t maxSlots = 2048;


// Characters that draw nothing, or move other text about, get a visible stand-in.
bool isInvisible(char16_t unit)
{
    return (unit >= 0x80 && unit < 0xA0) || unit == 0xAD || (unit >= 0x200B && unit <= 0x200F)
        || (unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2060 && unit <= 0x206F) || unit == 0xFEFF
        || (unit >= 0xFFF9 && unit <= 0xFFFB) || isHighSurrogate(unit) || isLowSurrogate(unit);
}

// The text and background colour of every cell in [start, end), in order.
template <typename Visit>
void forEachCell(const AttributedText& text, std::size_t start, std::size_t end, TextRange selection,
                 const CellTextPainter::Colors& colors, Visit visit)
{
    const auto& runs = text.runs();
    auto run = std::upper_bound(runs.begin(), runs.end(), start,
                                [](std::size_t p, const AttributedText::Run& r) { return p < r.location; });
    if (run != runs.begin())
        --run;
    const QRgb plain = colors.plain.rgba();
    const QRgb selectedPlain = colors.selectedPlain.rgba();
    const QRgb background = colors.background.rgba();
    const QRgb selectedBackground = colors.selectedBackground.rgba();
    for (std::size_t pos = start; pos < end && run != runs.end(); ++pos) {
        while (pos >= run->location + run->length)
            ++run;
        const bool selected = pos >= selection.location && pos < selection.end();
        QRgb color = 0;
        if (run->color)
            color = qRgb(run->color->red, run->color->green, run->color->blue);
        else
            color = selected ? selectedPlain : plain;
        pos = visit(pos, color, selected ? selectedBackground : background);
    }
}

bool isWholePixel(qreal value)
{
    return value == std::floor(value);
}

} // namespace

void CellTextPainter::setFont(const QFont& font)
{
    font_ = font;
    rawFont_ = QRawFont::fromFont(font);
    const QFontMetricsF metrics(font);
    // Whole pixels, so every cell starts on a pixel and one rendering of a glyph fits them all.
    cellWidth_ = std::max(1, qRound(metrics.horizontalAdvance(QLatin1Char('M'))));
    ascent_ = metrics.ascent();
    lineHeight_ = std::max(1, QFontMetrics(font).lineSpacing());
    latinGlyphs_.fill(unknownGlyph);
    otherGlyphs_.clear();
    atlases_.clear();
    atlasPixels_ = 0;
}

char16_t CellTextPainter::displayUnit(char16_t unit)
{
    if (unit < 0x20)
        return static_cast<char16_t>(0x2400 + unit); // the Control Pictures block: NUL is U+2400
    if (unit == 0x7F)
        return 0x2421;
    if (isInvisible(unit))
        return 0xFFFD;
    return unit;
}

char16_t CellTextPainter::substituteUnit(char16_t unit)
{
    // Few monospace fonts draw the control pictures; these nearly all have.
    if (unit == u'\t')
        return 0x2192;
    if (unit < 0x20 || unit == 0x7F)
        return 0xFFFD;
    return displayUnit(unit);
}

quint32 CellTextPainter::glyphFor(char16_t unit)
{
    quint32* cached = nullptr;
    if (unit < latinGlyphs_.size()) {
        cached = &latinGlyphs_[unit];
    } else {
        auto it = otherGlyphs_.find(unit);
        if (it == otherGlyphs_.end())
            it = otherGlyphs_.insert(unit, unknownGlyph);
        cached = &it.value();
    }
    if (*cached == unknownGlyph) {
        *cached = 0;
        for (const char16_t candidate : {displayUnit(unit), substituteUnit(unit)}) {
            const QChar ch(candidate);
            quint32 glyph = 0;
            int count = 1;
            if (rawFont_.isValid() && rawFont_.supportsCharacter(ch) && rawFont_.glyphIndexesForChars(&ch, 1, &glyph, &count)
                && glyph != 0) {
                *cached = glyph;
                break;
            }
        }
    }
    return *cached;
}

CellTextPainter::Batch& CellTextPainter::batchFor(QRgb color)
{
    for (std::size_t i = 0; i < usedBatches_; ++i) {
        if (batches_[i].color == color)
            return batches_[i];
    }
    if (usedBatches_ == batches_.size())
        batches_.emplace_back();
    Batch& batch = batches_[usedBatches_++];
    batch.color = color;
    batch.glyphs.clear();
    batch.positions.clear();
    return batch;
}

CellTextPainter::Atlas& CellTextPainter::atlasFor(QRgb foreground, QRgb background)
{
    for (Atlas& atlas : atlases_) {
        if (atlas.foreground == foreground && atlas.background == background)
            return atlas;
    }
    if (atlases_.size() >= maxAtlases || atlasPixels_ >= maxAtlasPixels) {
        atlases_.clear();
        atlasPixels_ = 0;
    }
    Atlas& atlas = atlases_.emplace_back();
    atlas.foreground = foreground;
    atlas.background = background;
    atlas.latinSlots.fill(-1);
    return atlas;
}

const QRgb* CellTextPainter::cellPixels(Atlas& atlas, char16_t unit, quint32 glyph)
{
    const auto cellSize = static_cast<std::size_t>(cellWidth_) * static_cast<std::size_t>(lineHeight_);
    int* slot = nullptr;
    if (unit < atlas.latinSlots.size()) {
        slot = &atlas.latinSlots[unit];
    } else {
        auto it = atlas.otherSlots.find(unit);
        if (it == atlas.otherSlots.end()) {
            if (atlas.otherSlots.size() >= static_cast<qsizetype>(maxSlots)) {
                atlasPixels_ -= atlas.pixels.size();
                atlas.pixels.clear();
                atlas.latinSlots.fill(-1);
                atlas.otherSlots.clear();
            }
            it = atlas.otherSlots.insert(unit, -1);
        }
        slot = &it.value();
    }
    if (*slot < 0) {
        QImage cell(cellWidth_, lineHeight_, QImage::Format_RGB32);
        cell.fill(atlas.background);
        if (glyph != 0) {
            QPainter painter(&cell);
            QGlyphRun run;
            run.setRawFont(rawFont_);
            run.setGlyphIndexes({glyph});
            run.setPositions({QPointF(0, 0)});
            painter.setPen(QColor::fromRgba(atlas.foreground));
            // A glyph wider than its cell (a double-width U+FFFD) is squeezed into it rather
            // than cut in half.
            QPointF advance;
            if (rawFont_.advancesForGlyphIndexes(&glyph, &advance, 1) && advance.x() > cellWidth_ + 0.5)
                painter.scale(cellWidth_ / advance.x(), 1.0);
            painter.drawGlyphRun(QPointF(0, ascent_), run);
        }
        *slot = static_cast<int>(atlas.pixels.size() / cellSize);
        atlas.pixels.resize(atlas.pixels.size() + cellSize);
        atlasPixels_ += cellSize;
        QRgb* target = atlas.pixels.data() + static_cast<std::size_t>(*slot) * cellSize;
        for (int y = 0; y < lineHeight_; ++y)
            std::memcpy(target + static_cast<std::size_t>(y * cellWidth_), cell.constScanLine(y),
                        static_cast<std::size_t>(cellWidth_) * sizeof(QRgb));
    }
    return atlas.pixels.data() + static_cast<std::size_t>(*slot) * cellSize;
}

void CellTextPainter::drawCells(QPainter& painter, QPoint origin, const AttributedText& text, std::size_t start,
                                std::size_t end, TextRange selection, const Colors& colors)
{
    fallbacks_.clear();
    if (start >= end)
        return;
    const QTransform& transform = painter.deviceTransform();
    const bool blittable = transform.type() <= QTransform::TxTranslate && isWholePixel(transform.dx())
        && isWholePixel(transform.dy()) && painter.device() && painter.device()->devicePixelRatio() == 1.0
        && painter.opacity() == 1.0 && painter.compositionMode() == QPainter::CompositionMode_SourceOver
        && colors.background.alpha() == 255 && colors.selectedBackground.alpha() == 255;
    if (blittable)
        blitCells(painter, origin, text, start, end, selection, colors);
    else
        drawGlyphRuns(painter, origin, text, start, end, selection, colors);
    drawFallbacks(painter, origin);
}

void CellTextPainter::blitCells(QPainter& painter, QPoint origin, const AttributedText& text, std::size_t start,
                                std::size_t end, TextRange selection, const Colors& colors)
{
    const int cells = static_cast<int>(end - start);
    if (line_.width() < cells * cellWidth_ || line_.height() != lineHeight_)
        line_ = QImage(std::max(cells, 64) * cellWidth_, lineHeight_, QImage::Format_RGB32);
    uchar* bits = line_.bits();
    const auto stride = static_cast<std::size_t>(line_.bytesPerLine());
    const auto rowBytes = static_cast<std::size_t>(cellWidth_) * sizeof(QRgb);
    const std::u16string& units = text.string();
    std::size_t atlas = atlases_.size();
    const auto copyCell = [&](std::size_t pos, char16_t unit, quint32 glyph) {
        const QRgb* source = cellPixels(atlases_[atlas], unit, glyph);
        uchar* target = bits + (pos - start) * rowBytes;
        for (int y = 0; y < lineHeight_; ++y, target += stride, source += cellWidth_)
            std::memcpy(target, source, rowBytes);
    };
    forEachCell(text, start, end, selection, colors, [&](std::size_t pos, QRgb color, QRgb background) {
        if (atlas == atlases_.size() || atlases_[atlas].foreground != color || atlases_[atlas].background != background)
            atlas = static_cast<std::size_t>(&atlasFor(color, background) - atlases_.data());
        const char16_t unit = units[pos];
        const int x = static_cast<int>(pos - start) * cellWidth_;
        if (isHighSurrogate(unit) && pos + 1 < end && isLowSurrogate(units[pos + 1])) {
            // A character outside the BMP shows in its first cell; its second cell stays empty.
            fallbacks_.push_back(Fallback{color, x, QString::fromUtf16(units.data() + pos, 2)});
            copyCell(pos, u' ', 0);
            copyCell(pos + 1, u' ', 0);
            return pos + 1;
        }
        const quint32 glyph = unit == u' ' ? 0 : glyphFor(unit);
        if (glyph == 0 && unit != u' ') {
            fallbacks_.push_back(Fallback{color, x, QString(QChar(substituteUnit(unit)))});
            copyCell(pos, u' ', 0);
        } else {
            copyCell(pos, unit, glyph);
        }
        return pos;
    });
    painter.drawImage(origin, line_, QRect(0, 0, cells * cellWidth_, lineHeight_));
}

void CellTextPainter::drawGlyphRuns(QPainter& painter, QPoint origin, const AttributedText& text, std::size_t start,
                                    std::size_t end, TextRange selection, const Colors& colors)
{
    usedBatches_ = 0;
    painter.fillRect(QRect(origin, QSize(static_cast<int>(end - start) * cellWidth_, lineHeight_)), colors.background);
    const std::size_t selectedFrom = std::max(start, selection.location);
    const std::size_t selectedTo = std::min(end, selection.end());
    if (selectedFrom < selectedTo)
        painter.fillRect(QRect(origin.x() + static_cast<int>(selectedFrom - start) * cellWidth_, origin.y(),
                               static_cast<int>(selectedTo - selectedFrom) * cellWidth_, lineHeight_),
                         colors.selectedBackground);
    const std::u16string& units = text.string();
    forEachCell(text, start, end, selection, colors, [&](std::size_t pos, QRgb color, QRgb) {
        const int x = static_cast<int>(pos - start) * cellWidth_;
        const char16_t unit = units[pos];
        if (isHighSurrogate(unit) && pos + 1 < end && isLowSurrogate(units[pos + 1])) {
            fallbacks_.push_back(Fallback{color, x, QString::fromUtf16(units.data() + pos, 2)});
            return pos + 1;
        }
        if (unit == u' ')
            return pos;
        const quint32 glyph = glyphFor(unit);
        if (glyph == 0) {
            fallbacks_.push_back(Fallback{color, x, QString(QChar(substituteUnit(unit)))});
        } else {
            Batch& batch = batchFor(color);
            batch.glyphs.append(glyph);
            batch.positions.append(QPointF(x, 0));
        }
        return pos;
    });
    const QPointF baseline(origin.x(), origin.y() + ascent_);
    for (std::size_t i = 0; i < usedBatches_; ++i) {
        QGlyphRun glyphRun;
        glyphRun.setRawFont(rawFont_);
        glyphRun.setGlyphIndexes(batches_[i].glyphs);
        glyphRun.setPositions(batches_[i].positions);
        painter.setPen(QColor::fromRgba(batches_[i].color));
        painter.drawGlyphRun(baseline, glyphRun);
    }
}

void CellTextPainter::drawFallbacks(QPainter& painter, QPoint origin)
{
    if (fallbacks_.empty())
        return;
    const QPointF baseline(origin.x(), origin.y() + ascent_);
    painter.setFont(font_);
    const QFontMetricsF metrics(font_);
    for (const Fallback& cell : fallbacks_) {
        painter.setPen(QColor::fromRgba(cell.color));
        // A wide character (CJK, a double-width glyph) keeps to its cells, one per code unit,
        // squeezed rather than drawn over its neighbours.
        const qreal room = static_cast<qreal>(cellWidth_) * static_cast<qreal>(cell.text.size());
        const qreal width = metrics.horizontalAdvance(cell.text);
        if (width <= room + 0.5) {
            painter.drawText(baseline + QPointF(cell.x, 0), cell.text);
            continue;
        }
        painter.save();
        painter.translate(baseline + QPointF(cell.x, 0));
        painter.scale(room / width, 1.0);
        painter.drawText(QPointF(0, 0), cell.text);
        painter.restore();
    }
}
