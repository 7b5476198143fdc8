#include "toolkit/qt/TextViewWidget.h"

#include "toolkit/qt/QuietScrollBar.h"
#include "toolkit/qt/TextViewAccessible.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int margin = 4;

} // namespace

TextViewWidget::TextViewWidget(std::shared_ptr<TextView> model, QWidget* parent)
    : QAbstractScrollArea(parent), model_(std::move(model), [this] { sync(); })
{
    TextViewAccessible::install();
    bar_ = new QuietScrollBar(Qt::Vertical, this);
    setVerticalScrollBar(bar_);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cells_.setFont(font());
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    // Each row's cells come with their background; only what they leave uncovered is filled,
    // so a view that streams is not filled once by Qt and then covered again by its cells.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    textRevision_ = model_->textRevision();
    scrollRevision_ = model_->scrollRevision();
    dropped_ = model_->droppedCount();
    held_ = model_->isHeld();
    relayout();
    sync();
}

void TextViewWidget::sync()
{
    syncing_ = true;
    const int scrolledFrom = verticalScrollBar()->value();
    const bool textChanged = model_->textRevision() != textRevision_;
    if (textChanged) {
        textRevision_ = model_->textRevision();
        // What fell off the front takes the widget's places along: the selection's ends, the top.
        const auto dropped = static_cast<std::size_t>(model_->droppedCount() - dropped_);
        dropped_ = model_->droppedCount();
        anchor_ = anchor_ > dropped ? anchor_ - dropped : 0;
        caret_ = caret_ > dropped ? caret_ - dropped : 0;
        relayout(dropped);
    }
    const TextRange wanted = model_->selectedRange();
    const bool selectionChanged = wanted != selection();
    if (selectionChanged) {
        anchor_ = wanted.location;
        caret_ = wanted.end();
    }
    if (model_->toolTip() != toolTip_) {
        toolTip_ = model_->toolTip();
        setToolTip(QString::fromStdString(toolTip_));
    }
    if (model_->scrollRevision() != scrollRevision_) {
        scrollRevision_ = model_->scrollRevision();
        // While the user reads, the view stays where they put it.
        if (!model_->isHeld()) {
            const TextRange request = model_->scrollRequest();
            ensureVisible(request.end());
            ensureVisible(request.location);
        }
    }
    modelChanged(textChanged, selectionChanged);
    accessibleEvents_.changed(textChanged, selectionChanged);
    syncing_ = false;
    if (textChanged || selectionChanged || verticalScrollBar()->value() != scrolledFrom)
        refreshRows(textChanged && !selectionChanged && !model_->isEditable() && !model_->isHeld() && !dragging_);
    if (model_->isHeld() != held_) {
        held_ = model_->isHeld();
        emit heldChanged(held_);
    }
}

int TextViewWidget::rowCount() const
{
    const int height = cells_.lineHeight();
    return std::max(1, (viewport()->height() - margin / 2 + height - 1) / height);
}

void TextViewWidget::refreshRows(bool streamed)
{
    const ShownRows::Change change = shownRows_.refresh(layout_, model_->textStorage(), selection(), caret_,
                                                        static_cast<std::size_t>(firstVisibleLine()), rowCount());
    const bool busy = change.all || 2 * static_cast<int>(change.dirty.size()) > rowCount();
    if (!pacer_.shouldPaint(streamed && busy)) {
        shownRows_.clear(); // what is on screen is no longer known: the next refresh paints all
        return;
    }
    if (change.all) {
        viewport()->update();
        return;
    }
    const int height = cells_.lineHeight();
    if (change.shift != 0) {
        const QRect rows(0, margin / 2, viewport()->width(), viewport()->height() - margin / 2);
        viewport()->scroll(0, -change.shift * height, rows);
    }
    QRegion dirty;
    for (const int row : change.dirty)
        dirty += QRect(0, margin / 2 + row * height, viewport()->width(), height);
    if (!dirty.isEmpty())
        viewport()->update(dirty);
}

void TextViewWidget::repaintAll()
{
    shownRows_.clear();
    viewport()->update();
}

void TextViewWidget::scrollContentsBy(int, int)
{
    if (!syncing_ && !movingView_)
        userScrolled();
    if (!syncing_)
        refreshRows();
}

void TextViewWidget::userScrolled()
{
    // Away from the end the user reads; back at the end they want what comes next, unless
    // they are still dragging out a selection.
    const QScrollBar* bar = verticalScrollBar();
    if (bar->value() < bar->maximum())
        model_->setHeld(true);
    else if (!dragging_)
        model_->setHeld(false);
}

void TextViewWidget::followEnd()
{
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    model_->setHeld(false);
}

void TextViewWidget::setEscapesEndingLine(std::vector<std::u16string> escapes)
{
    escapes_.endingLine = std::move(escapes);
    relayout();
    refreshRows();
}

void TextViewWidget::modelChanged(bool, bool) {}

void TextViewWidget::paintOverlay(QPainter&) {}

int TextViewWidget::columnsForWidth() const
{
    // Leave room for a caret after a full line.
    return std::max(1, (viewport()->width() - 2 * margin - 2) / cells_.cellWidth());
}

void TextViewWidget::relayout(std::size_t dropped)
{
    QScrollBar* bar = verticalScrollBar();
    const bool followsEnd = bar->value() == bar->maximum() && !model_->isHeld();
    std::size_t top = layout_.lineCount() > 0 ? layout_.line(static_cast<std::size_t>(firstVisibleLine())).start : 0;
    top = top > dropped ? top - dropped : 0;
    // Gray runs are escapes: a line may not split one.
    escapes_.runs.clear();
    for (const AttributedText::Run& run : model_->textStorage().runs()) {
        if (run.color == grayColor())
            escapes_.runs.push_back(TextRange{run.location, run.length});
    }
    layout_.layout(model_->string(), columnsForWidth(), escapes_);
    const QScopedValueRollback<bool> moving(movingView_, true);
    const QuietScrollBar::ProgramChange quietly(*bar_);
    updateScrollBar();
    bar->setValue(followsEnd ? bar->maximum() : static_cast<int>(layout_.lineOf(top)));
}

void TextViewWidget::updateScrollBar()
{
    const QScopedValueRollback<bool> moving(movingView_, true);
    const QuietScrollBar::ProgramChange quietly(*bar_);
    const int visible = visibleLineCount();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, static_cast<int>(layout_.lineCount()) - visible));
    bar->setPageStep(visible);
    bar->setSingleStep(1);
}

int TextViewWidget::firstVisibleLine() const
{
    return std::clamp(verticalScrollBar()->value(), 0, static_cast<int>(layout_.lineCount()) - 1);
}

int TextViewWidget::visibleLineCount() const
{
    return std::max(1, (viewport()->height() - margin) / cells_.lineHeight());
}

QSize TextViewWidget::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return QSize(cells_.cellWidth() * 60 + 2 * margin + frame,
                 cells_.lineHeight() * 10 + margin + frame);
}

QPoint TextViewWidget::cellOrigin(std::size_t line, int column) const
{
    return QPoint(margin + column * cells_.cellWidth(),
                  margin / 2 + (static_cast<int>(line) - firstVisibleLine()) * cells_.lineHeight());
}

QRect TextViewWidget::cellRect(std::size_t position) const
{
    const QPoint origin = cellOrigin(layout_.lineOf(position), layout_.columnOf(position));
    return QRect(origin, QSize(cells_.cellWidth(), cells_.lineHeight()));
}

std::size_t TextViewWidget::positionAt(QPoint point) const
{
    const int y = point.y() - margin / 2;
    const int row = y >= 0 ? y / cells_.lineHeight() : (y + 1) / cells_.lineHeight() - 1;
    const int line = std::clamp(firstVisibleLine() + row, 0, static_cast<int>(layout_.lineCount()) - 1);
    const int column = static_cast<int>(static_cast<double>(point.x() - margin) / cells_.cellWidth() + 0.5);
    return layout_.positionAt(static_cast<std::size_t>(line), column);
}

TextRange TextViewWidget::selection() const
{
    const std::size_t from = std::min(anchor_, caret_);
    return TextRange{from, std::max(anchor_, caret_) - from};
}

void TextViewWidget::setSelection(std::size_t anchor, std::size_t caret)
{
    const std::size_t length = model_->length();
    anchor_ = std::min(anchor, length);
    caret_ = std::min(caret, length);
    model_->setSelectedRange(selection());
    if (anchor_ != caret_)
        model_->setHeld(true); // what the user selects stays where they see it
    refreshRows();
}

void TextViewWidget::ensureVisible(std::size_t position)
{
    const int line = static_cast<int>(layout_.lineOf(position));
    const int first = verticalScrollBar()->value();
    const int visible = visibleLineCount();
    if (line < first)
        verticalScrollBar()->setValue(line);
    else if (line >= first + visible)
        verticalScrollBar()->setValue(line - visible + 1);
}

QString TextViewWidget::selectedText() const
{
    const TextRange range = selection();
    return QString::fromUtf16(model_->string().data() + range.location, static_cast<qsizetype>(range.length));
}

void TextViewWidget::copy()
{
    if (selection().length > 0)
        QGuiApplication::clipboard()->setText(selectedText());
    else
        emit nothingToCopy();
}

void TextViewWidget::selectAll()
{
    setSelection(0, model_->length());
}

// macOS's backing store is no plain image of the window; elsewhere this saved 0.13-0.24 points
// of a core at 115200 baud in the escape views (docs/performance.md).
#ifdef Q_OS_MACOS
bool TextViewWidget::intoBackingStore_ = false;
#else
bool TextViewWidget::intoBackingStore_ = true;
#endif

void TextViewWidget::paintEvent(QPaintEvent* event)
{
    if (intoBackingStore_) {
        QPainter painter(viewport());
        paintRows(painter, event);
        return;
    }
    // The rows are composed in the view's own image, then shown with one blit.
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize pixels = viewport()->size() * ratio;
    if (frame_.size() != pixels)
        frame_ = QImage(pixels, QImage::Format_RGB32);
    frame_.setDevicePixelRatio(ratio);
    {
        QPainter painter(&frame_);
        paintRows(painter, event);
    }
    QPainter painter(viewport());
    painter.drawImage(event->rect(), frame_, QRectF(QPointF(event->rect().topLeft()) * ratio, QSizeF(event->rect().size()) * ratio));
}

void TextViewWidget::paintRows(QPainter& painter, QPaintEvent* event)
{
    const QPalette& colors = viewport()->palette();
    const CellTextPainter::Colors cellColors{colors.color(QPalette::Text), colors.color(QPalette::HighlightedText),
                                             colors.color(viewport()->backgroundRole()),
                                             colors.color(QPalette::Highlight)};
    const TextRange selected = selection();
    const AttributedText& text = model_->textStorage();
    // Only the lines the damaged area touches: a blinking caret repaints one line.
    const int top = firstVisibleLine();
    const int height = cells_.lineHeight();
    const auto first = static_cast<std::size_t>(top + std::max(0, (event->rect().top() - margin / 2) / height));
    const std::size_t last = std::min(layout_.lineCount(),
                                      static_cast<std::size_t>(top + (event->rect().bottom() - margin / 2) / height + 1));
    // Each line paints its whole row, margins included; what is left is above the first line
    // and below the last, never a tall strip (Qt fills a tall rectangle on several threads).
    const int width = viewport()->width();
    QRegion uncovered = event->region();
    for (std::size_t index = first; index < last; ++index)
        uncovered -= QRect(0, cellOrigin(index, 0).y(), width, height);
    for (const QRect& rect : uncovered)
        painter.fillRect(rect, colors.brush(viewport()->backgroundRole()));
    for (std::size_t index = first; index < last; ++index) {
        const MonoTextLayout::Line& line = layout_.line(index);
        const QPoint origin = cellOrigin(index, 0);
        cells_.drawCells(painter, QRect(0, origin.y(), width, height), origin, text, line.start, line.end, selected,
                         cellColors);
        if (selected.length > 0 && selected.location < line.next && selected.end() > line.end && line.next > line.end) {
            // A selected line break shows as one more highlighted cell.
            const QPoint end = cellOrigin(index, static_cast<int>(line.end - line.start));
            painter.fillRect(QRect(end, QSize(cells_.cellWidth(), height)), cellColors.selectedBackground);
        }
    }
    paintOverlay(painter);
}

void TextViewWidget::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    shownRows_.clear();
    if (columnsForWidth() != layout_.columns())
        relayout();
    else
        updateScrollBar();
}

void TextViewWidget::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        cells_.setFont(font());
        relayout();
    }
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange
        || event->type() == QEvent::StyleChange || event->type() == QEvent::EnabledChange)
        repaintAll();
}
