#include "toolkit/qt/CellTextPainter.h"

#include "toolkit/Utf16.h"
#include "toolkit/qt/directPixels.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

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

// Lays a row of cells into height lines of pixels, one line at a time, so the stores run along
// the target as a blit's do; the left pixels before the cells, and those after them up to width,
// get the background. With the cell width known to the compiler each cell's line is a few moves.
template <int Width>
void composeLinesOf(uchar* row, std::size_t stride, const QRgb* const* cells, std::size_t count, int height, int left,
                    int width, QRgb background, int cellWidth)
{
    // Width 0 stands for any other width, known only at run time.
    const auto cell = static_cast<std::size_t>(Width != 0 ? Width : cellWidth);
    const int bytes = width * static_cast<int>(sizeof(QRgb));
    for (int y = 0; y < height; ++y, row += stride) {
        // The backing store is seldom in the cache after a tick's sleep: ask for the next line
        // while this one is laid, rather than wait for each of its cache lines in turn.
        if (y + 1 < height)
            for (int at = 0; at < bytes; at += 64)
                __builtin_prefetch(row + stride + at, 1);
        auto* line = reinterpret_cast<QRgb*>(row);
        std::fill(line, line + left, background);
        QRgb* at = line + left;
        const std::size_t offset = static_cast<std::size_t>(y) * cell;
        for (std::size_t i = 0; i < count; ++i, at += cell)
            std::memcpy(at, cells[i] + offset, cell * sizeof(QRgb));
        std::fill(at, line + width, background);
    }
}

template <int... Widths>
auto composerFor(int width, std::integer_sequence<int, Widths...>)
{
    void (*composer)(uchar*, std::size_t, const QRgb* const*, std::size_t, int, int, int, QRgb, int) =
        &composeLinesOf<0>;
    ((width == Widths ? (composer = &composeLinesOf<Widths>, 0) : 0), ...);
    return composer;
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
    // Cells up to 24 pixels wide, which covers monospace fonts up to about 40 points, get a
    // composer of their own width.
    composeLines_ = composerFor(cellWidth_, std::make_integer_sequence<int, 25>{});
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
    // Cleared before the next row, not now: the row being laid out still points into them.
    if (atlases_.size() >= maxAtlases || atlasPixels_ >= maxAtlasPixels)
        overfull_ = true;
    Atlas& atlas = atlases_.emplace_back();
    atlas.foreground = foreground;
    atlas.background = background;
    atlas.latinSlots.fill(-1);
    return atlas;
}

std::size_t CellTextPainter::cellPixels(Atlas& atlas, char16_t unit, quint32 glyph)
{
    const auto cellSize = static_cast<std::size_t>(cellWidth_) * static_cast<std::size_t>(lineHeight_);
    int* slot = nullptr;
    if (unit < atlas.latinSlots.size()) {
        slot = &atlas.latinSlots[unit];
    } else {
        auto it = atlas.otherSlots.find(unit);
        if (it == atlas.otherSlots.end()) {
            if (atlas.otherSlots.size() >= static_cast<qsizetype>(maxSlots))
                overfull_ = true;
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
    return static_cast<std::size_t>(*slot) * cellSize;
}

void CellTextPainter::drawCells(QPainter& painter, const QRect& band, QPoint origin, const AttributedText& text,
                                std::size_t start, std::size_t end, TextRange selection, const Colors& colors)
{
    fallbacks_.clear();
    if (overfull_) {
        atlases_.clear();
        atlasPixels_ = 0;
        overfull_ = false;
    }
    const QTransform& transform = painter.deviceTransform();
    const bool blittable = transform.type() <= QTransform::TxTranslate && isWholePixel(transform.dx())
        && isWholePixel(transform.dy()) && painter.device() && painter.device()->devicePixelRatio() == 1.0
        && painter.opacity() == 1.0 && painter.compositionMode() == QPainter::CompositionMode_SourceOver
        && colors.background.alpha() == 255 && colors.selectedBackground.alpha() == 255 && band.height() == lineHeight_
        && origin.y() == band.top() && origin.x() >= band.left()
        && origin.x() + static_cast<int>(end - start) * cellWidth_ <= band.right() + 1;
    if (blittable) {
        blitCells(painter, band, origin, text, start, end, selection, colors);
    } else {
        painter.fillRect(band, colors.background);
        drawGlyphRuns(painter, origin, text, start, end, selection, colors);
    }
    drawFallbacks(painter, origin);
}

void CellTextPainter::blitCells(QPainter& painter, const QRect& band, QPoint origin, const AttributedText& text,
                                std::size_t start, std::size_t end, TextRange selection, const Colors& colors)
{
    // Which rendered cell each unit shows, as (atlas, offset): rendering a new one may move an
    // atlas's pixels, so they become addresses only once all are there.
    cellRefs_.clear();
    const std::u16string& units = text.string();
    std::size_t atlas = atlases_.size();
    const auto addCell = [&](char16_t unit, quint32 glyph) {
        cellRefs_.emplace_back(atlas, cellPixels(atlases_[atlas], unit, glyph));
    };
    forEachCell(text, start, end, selection, colors, [&](std::size_t pos, QRgb color, QRgb background) {
        if (atlas == atlases_.size() || atlases_[atlas].foreground != color || atlases_[atlas].background != background)
            atlas = static_cast<std::size_t>(&atlasFor(color, background) - atlases_.data());
        const char16_t unit = units[pos];
        const int x = static_cast<int>(pos - start) * cellWidth_;
        if (isHighSurrogate(unit) && pos + 1 < end && isLowSurrogate(units[pos + 1])) {
            // A character outside the BMP shows in its first cell; its second cell stays empty.
            fallbacks_.push_back(Fallback{color, x, QString::fromUtf16(units.data() + pos, 2)});
            addCell(u' ', 0);
            addCell(u' ', 0);
            return pos + 1;
        }
        const quint32 glyph = unit == u' ' ? 0 : glyphFor(unit);
        if (glyph == 0 && unit != u' ') {
            fallbacks_.push_back(Fallback{color, x, QString(QChar(substituteUnit(unit)))});
            addCell(u' ', 0);
        } else {
            addCell(unit, glyph);
        }
        return pos;
    });
    cellSources_.resize(cellRefs_.size());
    for (std::size_t i = 0; i < cellRefs_.size(); ++i)
        cellSources_[i] = atlases_[cellRefs_[i].first].pixels.data() + cellRefs_[i].second;

    // Straight into the backing store where Qt would put the pixels anyway; else through a
    // line image and one blit.
    const std::optional<DirectPixels> direct = directPixels(painter, band);
    if (!direct && (line_.width() < band.width() || line_.height() != lineHeight_))
        line_ = QImage(std::max(band.width(), 64 * cellWidth_), lineHeight_, QImage::Format_RGB32);
    uchar* row = direct ? direct->bits : line_.bits();
    const auto stride = static_cast<std::size_t>(direct ? direct->stride : line_.bytesPerLine());
    const int left = origin.x() - band.left();
    const QRgb background = colors.background.rgba();
    if (!composeLines_) // no font set yet: the default cell size
        composeLines_ = composerFor(cellWidth_, std::make_integer_sequence<int, 25>{});
    composeLines_(row, stride, cellSources_.data(), cellSources_.size(), lineHeight_, left, band.width(), background,
                  cellWidth_);
    if (!direct)
        painter.drawImage(band.topLeft(), line_, QRect(0, 0, band.width(), lineHeight_));
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
