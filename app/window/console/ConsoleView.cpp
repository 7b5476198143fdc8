#include "app/window/console/ConsoleView.h"

#include "app/window/console/ConsoleAccessible.h"

#include "app/console/ConsoleEmulator.h"
#include "app/console/ConsoleKeys.h"
#include "toolkit/qt/QuietScrollBar.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace {

QColor colour(std::uint32_t rgb)
{
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

QString cellText(const ConsoleCell& cell)
{
    const char32_t ch = cell.ch == 0 ? U' ' : cell.ch;
    return QString::fromUcs4(&ch, 1);
}

} // namespace

ConsoleView::ConsoleView(ConsoleEmulator& emulator, ConsoleKeys& keys, std::function<void(const std::string&)> send,
                         QWidget* parent)
    : QWidget(parent), emulator_(emulator), keys_(keys), send_(std::move(send)),
      bar_(new QuietScrollBar(Qt::Vertical, this))
{
    // Before anything asks for the view's interface (setting its name does), or Qt keeps a plain one.
    ConsoleAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setCursor(Qt::IBeamCursor);
    setAccessibleName(tr("Console"));
    font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font_.setStyleHint(QFont::TypeWriter);
    font_.setKerning(false);
    bold_ = font_;
    bold_.setBold(true);
    const QFontMetrics metrics(font_);
    cellWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    cellHeight_ = std::max(1, metrics.height());
    ascent_ = metrics.ascent();
    runsAlign_ = metrics.horizontalAdvance(QString(40, QLatin1Char('M'))) == 40 * cellWidth_ &&
                 QFontMetrics(bold_).horizontalAdvance(QString(40, QLatin1Char('M'))) == 40 * cellWidth_;
    glyphs_.setFonts(font_, bold_, cellWidth_);
    bar_->setCursor(Qt::ArrowCursor);
    bar_->setFocusPolicy(Qt::NoFocus);
    connect(bar_, &QScrollBar::valueChanged, this, [this](int value) {
        const int back = bar_->maximum() - value;
        if (back != back_) {
            back_ = back;
            refreshCells();
        }
    });
    setMinimumSize(cellWidth_ * 10 + bar_->sizeHint().width(), cellHeight_ * 3);
    showScrollRange();
}

int ConsoleView::textWidth() const
{
    return std::max(0, width() - bar_->sizeHint().width());
}

void ConsoleView::changed()
{
    if (!frame_.isActive())
        frame_.start(frameInterval, this);
}

void ConsoleView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == frame_.timerId()) {
        frame_.stop();
        catchUp();
    } else if (event->timerId() == flash_.timerId()) {
        flash_.stop();
        refreshCells();
    }
}

void ConsoleView::catchUp()
{
    const ConsoleEmulator::Damage damage = emulator_.takeDamage();
    if (damage.scrolled > 0) {
        shiftSelection(damage.scrolled);
        // A reader up in the scroll-back keeps reading the same lines.
        if (back_ > 0)
            back_ = static_cast<int>(std::min<long>(back_ + damage.scrolled, emulator_.scrollbackLines()));
    }
    if (emulator_.bells() != bells_) {
        bells_ = emulator_.bells();
        flash_.start(120, this);
    }
    {
        // Lines arriving move the bar at every frame; Fusion's repaint of it cost more than the
        // frame itself, so the program's moves show at most once a second.
        const QuietScrollBar::ProgramChange arriving(*bar_);
        showScrollRange();
    }
    if (flash_.isActive())
        refreshCells();
    else if (damage.any())
        refreshChanged(damage.scrolled);
    if (damage.cursorMoved || damage.firstRow >= 0)
        ConsoleAccessible::announce(this, cursorLine_);
}

void ConsoleView::refreshCells()
{
    shown_.capture(emulator_);
    update(0, 0, textWidth(), height());
}

void ConsoleView::refreshChanged(long scrolled)
{
    // The two frames trade places, so a frame reuses the storage of the one before last.
    next_.capture(emulator_);
    std::swap(shown_, next_);
    const ConsoleFrame& before = next_;
    const bool selection = anchor_ && *anchor_ != end_;
    if (back_ > 0 || selection || before.rows() != shown_.rows() || before.cols() != shown_.cols() ||
        scrolled >= shown_.rows()) {
        update(0, 0, textWidth(), height());
        return;
    }
    // Lines gone to the scroll-back moved every row up: the pixels move, the new rows are drawn.
    const int shift = static_cast<int>(scrolled);
    if (shift > 0)
        scroll(0, -shift * cellHeight_, QRect(0, 0, textWidth(), shown_.rows() * cellHeight_));
    for (const int row : before.changedRows(shown_, shift))
        update(0, row * cellHeight_, textWidth(), cellHeight_);
}

ConsoleCell ConsoleView::cellAt(int row, int col) const
{
    // At the bottom the frame's cells are what the pixels must show; up in the scroll-back
    // every frame repaints from the emulator.
    if (back_ == 0 && row >= 0 && row < shown_.rows() && col < shown_.cols())
        return shown_.cell(row, col);
    return emulator_.cell(row, col);
}

void ConsoleView::showScrollRange()
{
    const QSignalBlocker quiet(bar_);
    back_ = std::clamp(back_, 0, emulator_.scrollbackLines());
    bar_->setRange(0, emulator_.scrollbackLines());
    bar_->setPageStep(emulator_.rows());
    bar_->setValue(emulator_.scrollbackLines() - back_);
}

void ConsoleView::scrollTo(int linesBack)
{
    back_ = std::clamp(linesBack, 0, emulator_.scrollbackLines());
    showScrollRange();
    refreshCells();
}

void ConsoleView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int barWidth = bar_->sizeHint().width();
    bar_->setGeometry(width() - barWidth, 0, barWidth, height());
    const int rows = std::max(1, height() / cellHeight_);
    const int cols = std::max(1, textWidth() / cellWidth_);
    if (rows != emulator_.rows() || cols != emulator_.cols()) {
        emulator_.resize(rows, cols);
        if (resized_)
            resized_(rows, cols);
    }
    catchUp();
    refreshCells();
}

void ConsoleView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QColor background = colour(emulator_.blank().bg);
    const QRect area = event->rect() & QRect(0, 0, textWidth(), height());
    painter.fillRect(area, background);
    const int firstLine = area.top() / cellHeight_;
    const int lastLine = std::min(emulator_.rows() - 1, area.bottom() / cellHeight_);
    for (int line = firstLine; line <= lastLine; ++line)
        paintRow(painter, line * cellHeight_, line - back_);
    const ConsoleEmulator::Cursor cursor = back_ == 0 && !shown_.empty() ? shown_.cursor() : emulator_.cursor();
    if (cursor.visible && back_ + cursor.row < emulator_.rows()) {
        const QRect box((std::min(cursor.col, emulator_.cols() - 1)) * cellWidth_, (cursor.row + back_) * cellHeight_,
                        cellWidth_, cellHeight_);
        const QColor ink = colour(emulator_.blank().fg);
        if (hasFocus()) {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(box, Qt::white);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            painter.setPen(ink);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
        }
    }
    if (flash_.isActive()) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(QRect(0, 0, textWidth(), height()), Qt::white);
    }
}

void ConsoleView::paintRow(QPainter& painter, int y, int row)
{
    const int cols = emulator_.cols();
    const QColor plain = colour(emulator_.blank().bg);
    int col = 0;
    while (col < cols) {
        const ConsoleCell first = cellAt(row, col);
        const bool selected = isSelected(row, col);
        // A run: cells alike in all but their characters, none of them wide. Glyph runs place
        // each glyph on its cell; drawText only keeps to the cells when the font's advance is
        // a whole cell.
        const bool plainFace = !first.has(ConsoleCell::Underline) && !first.has(ConsoleCell::Italic) &&
                               !first.has(ConsoleCell::Strike);
        const bool placed = plainFace && glyphs_.canDraw(first.has(ConsoleCell::Bold));
        QString text = cellText(first);
        int end = col + std::max<int>(1, first.width);
        const bool alone = first.width != 1 || (!runsAlign_ && !placed);
        while (!alone && end < cols) {
            const ConsoleCell next = cellAt(row, end);
            if (next.width != 1 || next.fg != first.fg || next.bg != first.bg || next.attributes != first.attributes ||
                isSelected(row, end) != selected)
                break;
            text += cellText(next);
            ++end;
        }
        QColor fg = colour(first.fg);
        QColor bg = colour(first.bg);
        if (first.has(ConsoleCell::Inverse) != selected)
            std::swap(fg, bg);
        const QRect box(col * cellWidth_, y, (end - col) * cellWidth_, cellHeight_);
        if (bg != plain)
            painter.fillRect(box, bg);
        const bool blank = text.trimmed().isEmpty();
        if (placed && !blank &&
            glyphs_.draw(painter, QPoint(box.left(), y + ascent_), text, first.has(ConsoleCell::Bold), fg)) {
            col = end;
            continue;
        }
        if (!blank || first.has(ConsoleCell::Underline)) {
            QFont& font = first.has(ConsoleCell::Bold) ? bold_ : font_;
            font.setUnderline(first.has(ConsoleCell::Underline));
            font.setItalic(first.has(ConsoleCell::Italic));
            font.setStrikeOut(first.has(ConsoleCell::Strike));
            painter.setFont(font);
            painter.setPen(fg);
            if (runsAlign_ || end - col == 1) {
                painter.drawText(box.left(), y + ascent_, text);
            } else {
                // Grouped for glyphs the font could not place: cell by cell, as the grid needs.
                for (int at = col; at < end; ++at)
                    painter.drawText(at * cellWidth_, y + ascent_, text.mid(at - col, 1));
            }
        }
        col = end;
    }
}

ConsoleView::Spot ConsoleView::spotAt(QPoint point) const
{
    const int line = std::clamp(point.y() / cellHeight_, 0, emulator_.rows() - 1);
    const int col = std::clamp((point.x() + cellWidth_ / 2) / cellWidth_, 0, emulator_.cols());
    return {line - back_, col};
}

std::pair<ConsoleView::Spot, ConsoleView::Spot> ConsoleView::ordered() const
{
    if (!anchor_)
        return {};
    return std::minmax(*anchor_, end_);
}

bool ConsoleView::isSelected(int row, int col) const
{
    if (!anchor_ || *anchor_ == end_)
        return false;
    const auto [from, to] = ordered();
    const Spot here{row, col};
    return from <= here && here < to;
}

void ConsoleView::select(Spot from, Spot to)
{
    anchor_ = from;
    end_ = to;
    refreshCells();
}

void ConsoleView::shiftSelection(long lines)
{
    if (!anchor_)
        return;
    anchor_->row -= static_cast<int>(lines);
    end_.row -= static_cast<int>(lines);
    if (end_.row < -emulator_.scrollbackLines() && anchor_->row < -emulator_.scrollbackLines())
        anchor_.reset(); // gone out of the scroll-back
}

QString ConsoleView::selectedText() const
{
    if (!anchor_ || *anchor_ == end_)
        return {};
    const auto [from, to] = ordered();
    QStringList rows;
    for (int row = std::max(from.row, -emulator_.scrollbackLines()); row <= to.row; ++row) {
        const int start = row == from.row ? from.col : 0;
        const int stop = row == to.row ? to.col : emulator_.cols();
        QString text;
        for (int col = start; col < stop; ++col) {
            const ConsoleCell cell = emulator_.cell(row, col);
            if (cell.width != 0)
                text += cellText(cell);
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        rows << text;
    }
    return rows.join(QLatin1Char('\n'));
}

void ConsoleView::selectWord(Spot at)
{
    const auto isWord = [this, row = at.row](int col) {
        const char32_t ch = emulator_.cell(row, col).ch;
        return ch != 0 && ch != U' ';
    };
    const int col = std::min(at.col, emulator_.cols() - 1);
    int from = col;
    int to = col;
    if (isWord(col)) {
        while (from > 0 && isWord(from - 1))
            --from;
        while (to < emulator_.cols() && isWord(to))
            ++to;
    } else {
        ++to;
    }
    select({at.row, from}, {at.row, to});
}

void ConsoleView::selectLine(Spot at)
{
    select({at.row, 0}, {at.row, emulator_.cols()});
}

void ConsoleView::copy()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void ConsoleView::paste()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    const QList<uint> units = text.toUcs4();
    const std::u32string characters(units.begin(), units.end());
    typed(keys_.paste(characters));
}

void ConsoleView::selectAll()
{
    select({-emulator_.scrollbackLines(), 0}, {emulator_.rows() - 1, emulator_.cols()});
}
