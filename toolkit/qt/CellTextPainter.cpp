#include "toolkit/qt/CellTextPainter.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace {

constexpr quint32 unknownGlyph = std::numeric_limits<quint32>::max();

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// Characters that draw nothing, or move other text about, get a visible stand-in.
bool isInvisible(char16_t unit)
{
    return (unit >= 0x80 && unit < 0xA0) || unit == 0xAD || (unit >= 0x200B && unit <= 0x200F)
        || (unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2060 && unit <= 0x206F) || unit == 0xFEFF
        || (unit >= 0xFFF9 && unit <= 0xFFFB) || (unit >= 0xD800 && unit < 0xE000);
}

} // namespace

void CellTextPainter::setFont(const QFont& font)
{
    font_ = font;
    rawFont_ = QRawFont::fromFont(font);
    const QFontMetricsF metrics(font);
    cellWidth_ = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('M')));
    ascent_ = metrics.ascent();
    lineHeight_ = std::max(1, QFontMetrics(font).lineSpacing());
    latinGlyphs_.fill(unknownGlyph);
    otherGlyphs_.clear();
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

void CellTextPainter::addCell(QRgb color, char16_t unit, qreal x)
{
    if (unit == u' ')
        return;
    const quint32 glyph = glyphFor(unit);
    if (glyph == 0) {
        fallbacks_.push_back(Fallback{color, x, QString(QChar(substituteUnit(unit)))});
        return;
    }
    Batch& batch = batchFor(color);
    batch.glyphs.append(glyph);
    batch.positions.append(QPointF(x, 0));
}

void CellTextPainter::drawCells(QPainter& painter, QPointF origin, const AttributedText& text, std::size_t start,
                                std::size_t end, TextRange selection, const Colors& colors)
{
    usedBatches_ = 0;
    fallbacks_.clear();
    const std::u16string& units = text.string();
    const auto& runs = text.runs();
    auto run = std::upper_bound(runs.begin(), runs.end(), start,
                                [](std::size_t p, const AttributedText::Run& r) { return p < r.location; });
    if (run != runs.begin())
        --run;
    for (std::size_t pos = start; pos < end && run != runs.end(); ++pos) {
        while (pos >= run->location + run->length)
            ++run;
        QRgb color = 0;
        if (run->color)
            color = qRgb(run->color->red, run->color->green, run->color->blue);
        else if (pos >= selection.location && pos < selection.end())
            color = colors.selectedPlain.rgba();
        else
            color = colors.plain.rgba();
        const qreal x = static_cast<qreal>(pos - start) * cellWidth_;
        const char16_t unit = units[pos];
        if (isHighSurrogate(unit) && pos + 1 < end && isLowSurrogate(units[pos + 1])) {
            // A character outside the BMP shows in its first cell; its second cell stays empty.
            fallbacks_.push_back(Fallback{color, x, QString::fromUtf16(units.data() + pos, 2)});
            ++pos;
            continue;
        }
        addCell(color, unit, x);
    }

    const QPointF baseline(origin.x(), origin.y() + ascent_);
    for (std::size_t i = 0; i < usedBatches_; ++i) {
        QGlyphRun glyphRun;
        glyphRun.setRawFont(rawFont_);
        glyphRun.setGlyphIndexes(batches_[i].glyphs);
        glyphRun.setPositions(batches_[i].positions);
        painter.setPen(QColor::fromRgba(batches_[i].color));
        painter.drawGlyphRun(baseline, glyphRun);
    }
    if (!fallbacks_.empty()) {
        painter.setFont(font_);
        for (const Fallback& cell : fallbacks_) {
            painter.setPen(QColor::fromRgba(cell.color));
            painter.drawText(baseline + QPointF(cell.x, 0), cell.text);
        }
    }
}
