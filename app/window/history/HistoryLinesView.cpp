#include "app/window/history/HistoryLinesView.h"

#include "app/history/gutterText.h"
#include "app/history/renderHistoryLine.h"
#include "app/window/history/HistoryAccessible.h"
#include "toolkit/qt/TextAnnouncer.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace {

constexpr int margin = 4;
// Matches stand out on any palette: the find colours of most editors.
const QColor matchBackground(255, 233, 128);
const QColor currentBackground(255, 150, 50);

int clampToInt(std::uint64_t value)
{
    return static_cast<int>(std::min<std::uint64_t>(value, INT_MAX));
}

} // namespace

HistoryLinesView::HistoryLinesView(const HistoryStore& store, QWidget* parent)
    : QAbstractScrollArea(parent), store_(store)
{
    HistoryAccessible::install();
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cells_.setFont(font());
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    announcer_ = new TextAnnouncer(*this, [this](std::uint64_t from, std::uint64_t to) {
        QString text;
        from = std::max(from, store_.firstLine());
        const std::uint64_t shown = std::min<std::uint64_t>(to - from, 3);
        if (to - from > shown)
            text = tr("%n more lines. ", nullptr, static_cast<int>(to - from - shown));
        for (std::uint64_t id = to - shown; id < to; ++id)
            text += QString::fromStdU16String(renderHistoryLine(store_.line(id), viewType_, encoding_).string())
                        .trimmed() + '\n';
        return TextAnnouncer::News{text};
    });
    shownFirstId_ = firstId();
    shownEnd_ = endId();
    announcer_->caughtUp(store_.completeEnd());
    updateScrollBars();
}

HistoryLinesView::~HistoryLinesView() = default;

std::uint64_t HistoryLinesView::firstId() const
{
    const bool notice = store_.droppedBytes() > 0 && !store_.empty();
    return store_.firstLine() - (notice ? 1 : 0);
}

int HistoryLinesView::firstVisibleRow() const
{
    return verticalScrollBar()->value();
}

int HistoryLinesView::visibleRowCount() const
{
    return std::max(1, (viewport()->height() - margin) / cells_.lineHeight());
}

int HistoryLinesView::textLeft() const
{
    const auto gutter = static_cast<int>(gutterWidth(gutter_));
    return margin + (gutter > 0 ? (gutter + 1) * cells_.cellWidth() : 0);
}

int HistoryLinesView::visibleColumns() const
{
    return std::max(1, (viewport()->width() - textLeft() - margin) / cells_.cellWidth());
}

void HistoryLinesView::setViewType(int viewType)
{
    viewType_ = viewType;
    forgetRendered();
}

void HistoryLinesView::setTextEncoding(TextEncoding encoding)
{
    encoding_ = encoding;
    forgetRendered();
}

void HistoryLinesView::setGutterMode(GutterMode mode)
{
    gutter_ = mode;
    forgetRendered();
}

void HistoryLinesView::setFinder(const HistoryFinder* finder)
{
    finder_ = finder;
    viewport()->update();
}

void HistoryLinesView::forgetRendered()
{
    rendered_.clear();
    widest_ = 0;
    updateScrollBars();
    viewport()->update();
}

void HistoryLinesView::updateScrollBars()
{
    const QScopedValueRollback<bool> moving(moving_, true);
    const int rows = visibleRowCount();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, clampToInt(endId() - firstId()) - rows));
    bar->setPageStep(rows);
    QScrollBar* across = horizontalScrollBar();
    across->setRange(0, std::max(0, clampToInt(widest_) - visibleColumns()));
    across->setPageStep(visibleColumns());
}

void HistoryLinesView::setTop(std::uint64_t row)
{
    const QScopedValueRollback<bool> moving(moving_, true);
    verticalScrollBar()->setValue(clampToInt(row));
}

void HistoryLinesView::setFollowing(bool following)
{
    if (following == following_)
        return;
    following_ = following;
    emit followingChanged(following);
}

void HistoryLinesView::sync()
{
    const std::uint64_t first = firstId();
    // The line at the top stays there while the user reads, whatever went from the front.
    const std::uint64_t top = shownFirstId_ + static_cast<std::uint64_t>(firstVisibleRow());
    shownFirstId_ = first;
    shownEnd_ = endId();
    // The notice's row takes the id of a line that went: rendered afresh, never kept.
    std::erase_if(rendered_, [this](const auto& entry) { return entry.first < store_.firstLine(); });
    updateScrollBars();
    setTop(following_ ? static_cast<std::uint64_t>(verticalScrollBar()->maximum()) : (top > first ? top - first : 0));
    if (anchor_ && std::max(*anchor_, caret_) < first)
        anchor_.reset();
    if (anchor_) {
        anchor_ = std::max(*anchor_, first);
        caret_ = std::max(caret_, first);
    }
    announcer_->arrived(store_.completeEnd());
    viewport()->update();
}

std::uint64_t HistoryLinesView::topLine() const
{
    if (following_)
        return store_.endLine();
    return std::max(firstId() + static_cast<std::uint64_t>(firstVisibleRow()), store_.firstLine());
}

void HistoryLinesView::followEnd()
{
    setFollowing(true);
    setTop(static_cast<std::uint64_t>(verticalScrollBar()->maximum()));
    viewport()->update();
}

void HistoryLinesView::reveal(const FindMatch& match)
{
    if (match.line < firstId() || match.line >= endId())
        return;
    setFollowing(false);
    const std::uint64_t row = match.line - firstId();
    const auto top = static_cast<std::uint64_t>(firstVisibleRow());
    const auto rows = static_cast<std::uint64_t>(visibleRowCount());
    if (row < top || row >= top + rows)
        setTop(row > rows / 2 ? row - rows / 2 : 0);
    widest_ = std::max(widest_, renderHistoryLine(store_.line(match.line), viewType_, encoding_).length());
    updateScrollBars();
    const int columns = visibleColumns();
    QScrollBar* across = horizontalScrollBar();
    const auto start = static_cast<int>(match.start);
    if (start < across->value() || start + static_cast<int>(match.length) > across->value() + columns)
        across->setValue(std::max(0, start - columns / 4));
    viewport()->update();
}

HistoryLinesView::Row HistoryLinesView::rowFor(std::uint64_t id)
{
    Row row;
    const auto gutter = static_cast<std::size_t>(gutterWidth(gutter_));
    if (id < store_.firstLine()) {
        row.text = AttributedText(u"--- " + QString::fromStdString(store_.startNotice()).toStdU16String() + u" ---");
        row.gutter = QString(static_cast<qsizetype>(gutter), u' ');
        row.marker = true;
        return row;
    }
    const HistoryLine line = store_.line(id);
    row.text = renderHistoryLine(line, viewType_, encoding_);
    row.gutter = QString::fromStdString(gutterText(gutter_, store_, id, stamps_));
    row.marker = line.marker;
    return row;
}

QString HistoryLinesView::rowText(std::uint64_t id) const
{
    const Row row = const_cast<HistoryLinesView*>(this)->rowFor(id);
    const QString text = QString::fromStdU16String(row.text.string());
    return gutter_ == GutterMode::None ? text : row.gutter + ' ' + text;
}

void HistoryLinesView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int height = cells_.lineHeight();
    const std::uint64_t top = firstId() + static_cast<std::uint64_t>(firstVisibleRow());
    const std::uint64_t last = store_.completeEnd();
    std::unordered_map<std::uint64_t, Row> rendered;
    const std::size_t widest = widest_;
    int y = margin / 2;
    painter.fillRect(QRect(0, 0, viewport()->width(), y), palette().color(QPalette::Base));
    for (std::uint64_t id = top; id < endId() && y < viewport()->height(); ++id, y += height) {
        auto cached = rendered_.find(id);
        Row row = cached != rendered_.end() ? std::move(cached->second) : rowFor(id);
        widest_ = std::max(widest_, row.text.length());
        paintRow(painter, y, id, row);
        // The open line may still grow, and the notice's words change: rendered afresh each time.
        if (id < last && id >= store_.firstLine())
            rendered.emplace(id, std::move(row));
    }
    painter.fillRect(QRect(0, y, viewport()->width(), viewport()->height() - y), palette().color(QPalette::Base));
    rendered_ = std::move(rendered);
    if (widest_ != widest)
        QMetaObject::invokeMethod(this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
}

void HistoryLinesView::paintRow(QPainter& painter, int y, std::uint64_t id, const Row& row)
{
    const QPalette& colors = palette();
    const auto selected = selectedRows();
    const bool inSelection = selected && id >= selected->first && id <= selected->second;
    const QColor background = colors.color(inSelection ? QPalette::Highlight : QPalette::Base);
    const QColor text = colors.color(inSelection ? QPalette::HighlightedText
                                                  : (row.marker ? QPalette::Link : QPalette::Text));
    const CellTextPainter::Colors rowColors{text, text, background, background};
    const int height = cells_.lineHeight();
    const int left = textLeft();
    const auto from = std::min(row.text.length(), static_cast<std::size_t>(horizontalScrollBar()->value()));
    const std::size_t to = std::min(row.text.length(), from + static_cast<std::size_t>(visibleColumns()));
    const int bandLeft = gutter_ == GutterMode::None ? 0 : left;
    cells_.drawCells(painter, QRect(bandLeft, y, viewport()->width() - bandLeft, height), QPoint(left, y), row.text,
                     from, to, TextRange{}, rowColors);
    paintMatches(painter, y, id, row);
    if (gutter_ == GutterMode::None)
        return;
    const AttributedText gutter(row.gutter.toStdU16String());
    const QColor stamp = inSelection ? text : colors.color(QPalette::PlaceholderText);
    const CellTextPainter::Colors gutterColors{stamp, stamp, background, background};
    cells_.drawCells(painter, QRect(0, y, left, height), QPoint(margin, y), gutter, 0,
                     std::min(gutter.length(), gutterWidth(gutter_) + 1), TextRange{}, gutterColors);
}

void HistoryLinesView::paintMatches(QPainter& painter, int y, std::uint64_t id, const Row& row)
{
    if (!finder_ || !finder_->active() || id < store_.firstLine())
        return;
    const auto current = finder_->current();
    const auto from = static_cast<std::size_t>(horizontalScrollBar()->value());
    const std::size_t to = from + static_cast<std::size_t>(visibleColumns());
    const QColor text = palette().color(QPalette::Text);
    for (const FindMatch& match : finder_->matchesOn(id)) {
        const std::size_t start = std::max(match.start, from);
        const std::size_t end = std::min({match.start + match.length, to, row.text.length()});
        if (start >= end)
            continue;
        const QColor background = current == match ? currentBackground : matchBackground;
        const CellTextPainter::Colors colors{text, Qt::black, palette().color(QPalette::Base), background};
        const int x = textLeft() + static_cast<int>(start - from) * cells_.cellWidth();
        cells_.drawCells(painter, QRect(x, y, static_cast<int>(end - start) * cells_.cellWidth(), cells_.lineHeight()),
                         QPoint(x, y), row.text, start, end, TextRange{start, end - start}, colors);
    }
}

void HistoryLinesView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (following_)
        setTop(static_cast<std::uint64_t>(verticalScrollBar()->maximum()));
}

void HistoryLinesView::scrollContentsBy(int, int dy)
{
    // Away from the end the user reads; back at the end they want what comes next.
    if (!moving_ && dy != 0 && !dragging_)
        setFollowing(verticalScrollBar()->value() == verticalScrollBar()->maximum());
    viewport()->update();
}

void HistoryLinesView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        cells_.setFont(font());
        updateScrollBars();
    }
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        viewport()->update();
}

void HistoryLinesView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    // What came while the focus was elsewhere is not news to announce now.
    announcer_->caughtUp(store_.completeEnd());
}
