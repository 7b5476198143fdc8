#include "app/window/plot/PlotChart.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// Qt's raster engine hands a line or fill taller than about 96 device pixels to its thread pool
// and waits for it, which costs more than the drawing: tall things go in pieces.
double pieceHeight(const QPainter& painter)
{
    return 64 / std::max(1.0, painter.device()->devicePixelRatioF());
}

// Text blended into the ground ahead of time: an opaque pen keeps to the engine's plain fills.
QColor shade(const QPalette& palette, double text)
{
    const QColor a = palette.color(QPalette::Base), b = palette.color(QPalette::Text);
    const auto mix = [text](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * text)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

void drawVertical(QPainter& painter, double x, double top, double bottom)
{
    const double piece = pieceHeight(painter);
    for (double y = top; y < bottom; y += piece)
        painter.drawLine(QPointF(x, y), QPointF(x, std::min(y + piece, bottom)));
}

// Steps of 1, 2 or 5 times a power of ten, about `count` of them over the range.
double niceStep(double range, double count)
{
    const double raw = range / std::max(count, 1.0);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    return (norm < 1.5 ? 1 : norm < 3 ? 2 : norm < 7 ? 5 : 10) * magnitude;
}

QString label(double value, double step)
{
    // k * step for the k-th tick leaves dust like 1e-17 where 0 was meant.
    if (std::abs(value) < step * 1e-6)
        value = 0;
    return QString::number(value, 'g', 6);
}

} // namespace

bool PlotChart::isDark(const QPalette& palette)
{
    return palette.color(QPalette::Base).lightness() < 128;
}

QColor PlotChart::colour(std::size_t series, bool dark)
{
    // Colour-blind safe hues first; on a dark ground their lighter kin.
    static const QRgb light[] = {0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7, 0xB8860B, 0x56B4E9, 0x7A4F9E, 0x5D6D7E};
    static const QRgb night[] = {0x56B4E9, 0xF28E2B, 0x3CCB9A, 0xE89AC7, 0xF0E442, 0x9ED8F5, 0xB69CE0, 0xC0C8D0};
    const std::size_t at = series % std::size(light);
    return QColor(dark ? night[at] : light[at]);
}

double PlotChart::Geometry::xOf(std::uint64_t sample) const
{
    const double across = span > 1 ? static_cast<double>(sample - begin) / static_cast<double>(span - 1) : 0.0;
    return plot.left() + across * plot.width();
}

std::optional<std::uint64_t> PlotChart::Geometry::sampleAt(double x) const
{
    if (end <= begin || x < plot.left() - 4 || x > plot.right() + 4)
        return std::nullopt;
    const double across = std::clamp((x - plot.left()) / std::max(plot.width(), 1.0), 0.0, 1.0);
    const auto offset = static_cast<std::uint64_t>(std::llround(across * static_cast<double>(span - 1)));
    return std::min(begin + offset, end - 1);
}

void PlotChart::decimate(std::size_t series, const Geometry& g, int width, std::vector<Column>& into) const
{
    into.assign(static_cast<std::size_t>(width), Column{});
    const std::span<const double> values = model_.values(series, g.begin, g.end);
    const std::uint64_t columns = static_cast<std::uint64_t>(width);
    std::size_t at = 0;
    for (std::uint64_t c = 0; c < columns && at < values.size(); ++c) {
        // Samples whose place across the span falls in column c.
        const auto stop = static_cast<std::size_t>(
            std::min<std::uint64_t>(((c + 1) * g.span + columns - 1) / columns, values.size()));
        Column& column = into[c];
        for (; at < stop; ++at) {
            const double v = values[at];
            if (std::isnan(v))
                continue;
            if (!column.any) {
                column = {v, v, v, v, true};
            } else {
                column.low = std::min(column.low, v);
                column.high = std::max(column.high, v);
                column.last = v;
            }
        }
    }
}

PlotChart::Geometry PlotChart::draw(QPainter& painter, const QRectF& area, const QPalette& palette,
                                    const QFont& font) const
{
    Geometry g;
    const bool dark = isDark(palette);
    const QFontMetricsF metrics(font);
    painter.save();
    painter.setFont(font);
    const double bandHeight = pieceHeight(painter);
    for (double band = area.top(); band < area.bottom(); band += bandHeight)
        painter.fillRect(QRectF(area.left(), band, area.width(), std::min(bandHeight, area.bottom() - band)),
                         palette.color(QPalette::Base));

    // The legend, wrapping as it must; a hidden series is shown hollow and greyed.
    const double row = metrics.height() + 4;
    double x = area.left() + 8, y = area.top() + 4;
    g.legend.assign(model_.seriesCount(), QRectF());
    for (std::size_t i = 0; i < model_.seriesCount(); ++i) {
        const PlotModel::Series& series = model_.series(i);
        const QString name = QString::fromUtf8(series.name.data(), static_cast<qsizetype>(series.name.size()));
        const double width = 18 + metrics.horizontalAdvance(name);
        if (x + width > area.right() - 8 && x > area.left() + 8) {
            x = area.left() + 8;
            y += row;
        }
        g.legend[i] = QRectF(x, y, width, row);
        const QRectF swatch(x, y + row / 2 - 5, 12, 10);
        if (series.shown) {
            painter.fillRect(swatch, colour(i, dark));
        } else {
            painter.setPen(QPen(colour(i, dark), 1.5));
            painter.drawRect(swatch);
        }
        painter.setPen(palette.color(series.shown ? QPalette::Active : QPalette::Disabled, QPalette::Text));
        painter.drawText(QPointF(x + 16, y + (row - metrics.height()) / 2 + metrics.ascent()), name);
        x += width + 14;
    }
    const double top = (model_.seriesCount() ? y + row : area.top()) + metrics.height() / 2 + 2;

    g.begin = model_.shownBegin();
    g.end = model_.shownEnd();
    g.span = std::max<std::size_t>(model_.window(), 2);
    const int width = std::max(1, static_cast<int>(area.width()));
    const bool dense = g.end - g.begin > static_cast<std::uint64_t>(2 * width);

    // The values' range over what is shown, unless it is fixed.
    columns_.resize(model_.seriesCount());
    double low = INFINITY, high = -INFINITY;
    for (std::size_t i = 0; i < model_.seriesCount(); ++i) {
        if (!model_.series(i).shown)
            continue;
        if (dense) {
            decimate(i, g, width, columns_[i]);
            for (const Column& column : columns_[i]) {
                if (column.any) {
                    low = std::min(low, column.low);
                    high = std::max(high, column.high);
                }
            }
        } else if (const PlotModel::Stats stats = model_.stats(i, g.begin, g.end); stats.count) {
            low = std::min(low, stats.min);
            high = std::max(high, stats.max);
        }
    }
    if (fixed_ && fixed_->second > fixed_->first) {
        low = fixed_->first;
        high = fixed_->second;
    } else if (low > high) {
        low = 0;
        high = 1;
    } else {
        const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 0.5);
        low -= pad;
        high += pad;
    }
    g.low = low;
    g.high = high;

    // Room for the longest value label at the left and the sample numbers below.
    const double bottom = area.bottom() - metrics.height() - 6;
    const double step = niceStep(high - low, std::max(2.0, (bottom - top) / 40));
    double labelWidth = 0;
    for (double k = std::ceil(low / step); k * step <= high; ++k)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label(k * step, step)));
    g.plot = QRectF(QPointF(area.left() + labelWidth + 12, top), QPointF(area.right() - 12, bottom));
    drawGrid(painter, g, palette);

    if (g.end == g.begin) {
        painter.setPen(palette.color(QPalette::Disabled, QPalette::Text));
        painter.drawText(g.plot, Qt::AlignCenter | Qt::TextWordWrap,
                         QCoreApplication::translate(
                             "PlotChart", "Waiting for numbers: lines such as \"21.5,40\" or \"temp:21.5 hum:40\""));
        painter.restore();
        return g;
    }

    painter.setClipRect(g.plot.adjusted(-1, -2, 1, 2));
    painter.setRenderHint(QPainter::Antialiasing, !dense);
    const double scale = g.plot.height() / (high - low);
    const auto yOf = [&](double v) { return g.plot.bottom() - (v - low) * scale; };
    QPolygonF line;
    for (std::size_t i = 0; i < model_.seriesCount(); ++i) {
        if (!model_.series(i).shown)
            continue;
        line.clear();
        if (dense) {
            // Column c holds the samples from c * span / width on: it stands where its middle one does.
            const double perColumn = static_cast<double>(g.span) / width;
            for (int c = 0; c < width; ++c) {
                const Column& column = columns_[i][static_cast<std::size_t>(c)];
                if (!column.any)
                    continue;
                const double cx =
                    g.plot.left() + (c + 0.5) * perColumn / static_cast<double>(g.span - 1) * g.plot.width();
                line << QPointF(cx, yOf(column.first)) << QPointF(cx, yOf(column.low)) << QPointF(cx, yOf(column.high))
                     << QPointF(cx, yOf(column.last));
            }
        } else {
            const std::span<const double> values = model_.values(i, g.begin, g.end);
            for (std::size_t s = 0; s < values.size(); ++s) {
                if (!std::isnan(values[s]))
                    line << QPointF(g.xOf(g.begin + s), yOf(values[s]));
            }
        }
        // A one-pixel cosmetic pen: the raster engine draws it directly, where a wider one goes
        // through a path of every turn of the line (a hundred times slower for a dense series).
        QPen pen(colour(i, dark), 1);
        pen.setCosmetic(true);
        if (i >= 8) // colours come round again: the second round is dashed
            pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        if (line.size() == 1) {
            painter.drawEllipse(line.front(), 2, 2);
        } else {
            painter.drawPolyline(line);
            // At 2x and more a one-pixel line is faint: a second one a pixel lower makes it two
            // (a dense series fills its columns already).
            if (!dense && painter.device()->devicePixelRatioF() >= 1.5) {
                line.translate(0, 1 / painter.device()->devicePixelRatioF());
                painter.drawPolyline(line);
            }
        }
    }
    painter.setClipping(false);
    drawHover(painter, g, palette, dark);
    painter.restore();
    return g;
}

void PlotChart::drawGrid(QPainter& painter, const Geometry& g, const QPalette& palette) const
{
    const QFontMetricsF metrics(painter.font());
    const QColor grid = shade(palette, 0.12);
    const QColor ink = palette.color(QPalette::Text);
    const double step = niceStep(g.high - g.low, std::max(2.0, g.plot.height() / 40));
    for (double k = std::ceil(g.low / step); k * step <= g.high; ++k) {
        const double y = g.plot.bottom() - (k * step - g.low) / (g.high - g.low) * g.plot.height();
        painter.setPen(grid);
        painter.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));
        painter.setPen(ink);
        // Text at a point: a rectangle with alignment lays the text out anew each time.
        const QString text = label(k * step, step);
        painter.drawText(
            QPointF(g.plot.left() - 6 - metrics.horizontalAdvance(text), y - metrics.height() / 2 + metrics.ascent()),
            text);
    }
    // Sample numbers along the bottom, at least a label's width apart.
    const double labelWidth = metrics.horizontalAdvance(QString::number(g.begin + g.span)) + 24;
    const double xStep = std::max(1.0, niceStep(static_cast<double>(g.span - 1), g.plot.width() / labelWidth));
    for (double k = std::ceil(static_cast<double>(g.begin) / xStep);
         k * xStep <= static_cast<double>(g.begin + g.span - 1); ++k) {
        const auto sample = static_cast<std::uint64_t>(k * xStep);
        const double x = g.xOf(sample);
        painter.setPen(grid);
        drawVertical(painter, x, g.plot.top(), g.plot.bottom());
        painter.setPen(ink);
        const QString text = QString::number(sample);
        painter.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2, g.plot.bottom() + 3 + metrics.ascent()),
                         text);
    }
    const QColor frame = shade(palette, 0.4);
    painter.setPen(frame);
    painter.drawLine(g.plot.topLeft(), g.plot.topRight());
    painter.drawLine(g.plot.bottomLeft(), g.plot.bottomRight());
    drawVertical(painter, g.plot.left(), g.plot.top(), g.plot.bottom());
    drawVertical(painter, g.plot.right(), g.plot.top(), g.plot.bottom());
}

void PlotChart::drawHover(QPainter& painter, const Geometry& g, const QPalette& palette, bool dark) const
{
    if (!hovered_ || *hovered_ < g.begin || *hovered_ >= g.end)
        return;
    const std::uint64_t sample = *hovered_;
    const double x = g.xOf(sample);
    const QColor cursor = shade(palette, 0.5);
    painter.setPen(QPen(cursor, 1, Qt::DashLine));
    drawVertical(painter, x, g.plot.top(), g.plot.bottom());

    QStringList lines{QCoreApplication::translate("PlotChart", "Sample %1").arg(sample)};
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < model_.seriesCount(); ++i) {
        const double v = model_.value(i, sample);
        if (!model_.series(i).shown || std::isnan(v))
            continue;
        shown.push_back(i);
        lines << QString::fromStdString(model_.series(i).name) + QStringLiteral(": ") + QString::number(v, 'g', 10);
    }
    const QFontMetricsF metrics(painter.font());
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const double row = metrics.height();
    QRectF box(x + 10, g.plot.top() + 6, width + 30, row * static_cast<double>(lines.size()) + 8);
    if (box.right() > g.plot.right())
        box.moveRight(x - 10);
    QColor back = palette.color(QPalette::ToolTipBase);
    back.setAlphaF(0.92f);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(box, back);
    painter.setPen(palette.color(QPalette::ToolTipText));
    painter.drawRect(box);
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QRectF text(box.left() + 22, box.top() + 4 + static_cast<double>(l) * row, width, row);
        if (l > 0)
            painter.fillRect(QRectF(box.left() + 6, text.center().y() - 4, 10, 8),
                             colour(shown[static_cast<std::size_t>(l - 1)], dark));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, lines[l]);
    }
}
