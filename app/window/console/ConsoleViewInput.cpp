// The console's keys, wheel and mouse.
#include "app/window/console/ConsoleView.h"

#include "app/console/ConsoleEmulator.h"
#include "app/console/ConsoleKeys.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

// The key a device knows as Control: Command is the program's own on macOS.
#ifdef Q_OS_MACOS
constexpr Qt::KeyboardModifier deviceControl = Qt::MetaModifier;
#else
constexpr Qt::KeyboardModifier deviceControl = Qt::ControlModifier;
#endif

ConsoleModifiers modifiersOf(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers held = event.modifiers();
    return {held.testFlag(Qt::ShiftModifier), held.testFlag(Qt::AltModifier), held.testFlag(deviceControl)};
}

} // namespace

std::optional<ConsoleKey> ConsoleView::consoleKey(int key) const
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return ConsoleKey::Enter;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return ConsoleKey::Tab;
    case Qt::Key_Backspace: return ConsoleKey::Backspace;
    case Qt::Key_Escape: return ConsoleKey::Escape;
    case Qt::Key_Up: return ConsoleKey::Up;
    case Qt::Key_Down: return ConsoleKey::Down;
    case Qt::Key_Left: return ConsoleKey::Left;
    case Qt::Key_Right: return ConsoleKey::Right;
    case Qt::Key_Insert: return ConsoleKey::Insert;
    case Qt::Key_Delete: return ConsoleKey::Delete;
    case Qt::Key_Home: return ConsoleKey::Home;
    case Qt::Key_End: return ConsoleKey::End;
    case Qt::Key_PageUp: return ConsoleKey::PageUp;
    case Qt::Key_PageDown: return ConsoleKey::PageDown;
    default: break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<ConsoleKey>(static_cast<int>(ConsoleKey::F1) + (key - Qt::Key_F1));
    return std::nullopt;
}

bool ConsoleView::isDevicesKey(const QKeyEvent& event) const
{
    const Qt::KeyboardModifiers held = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    if (held.testFlag(Qt::ShiftModifier) && (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Insert))
        return false; // the view's own: scroll-back and paste
    if (consoleKey(key))
        return true;
    // Ctrl+Shift+letter and Ctrl+digit stay the window's: its shortcuts go there in a console.
    if (held.testFlag(deviceControl))
        return !held.testFlag(Qt::ShiftModifier) && !(key >= Qt::Key_0 && key <= Qt::Key_9);
    return held.testFlag(Qt::AltModifier) && !event.text().isEmpty();
}

bool ConsoleView::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isDevicesKey(*key)) {
            key->accept();
            return true;
        }
    }
    // Tab is a key for the device here, not a way to the next widget.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void ConsoleView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const ConsoleModifiers held = modifiersOf(*event);
    if (held.shift && !held.ctrl && !held.alt) {
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            const int page = std::max(1, emulator_.rows() - 1);
            scrollTo(back_ + (key == Qt::Key_PageUp ? page : -page));
            return;
        }
        if (key == Qt::Key_Insert) {
            paste();
            return;
        }
    }
    if (const std::optional<ConsoleKey> special = consoleKey(key)) {
        typed(keys_.press(*special, held));
        return;
    }
    if (held.ctrl && key > 0 && key < 0x80) {
        // The key's own character: what Ctrl does to the text differs between platforms.
        typed(keys_.type(static_cast<char32_t>(QChar::toLower(static_cast<char32_t>(key))), held));
        return;
    }
    const QString text = event->text();
    if (text.isEmpty() || text.front().isNonCharacter() || text.front().category() == QChar::Other_Control) {
        QWidget::keyPressEvent(event);
        return;
    }
    std::string bytes;
    for (const uint ch : text.toUcs4())
        bytes += keys_.type(static_cast<char32_t>(ch), ConsoleModifiers{false, held.alt, false});
    typed(bytes);
}

void ConsoleView::typed(const std::string& bytes)
{
    if (bytes.empty())
        return;
    scrollTo(0); // a key shows where it lands, as in any terminal
    send_(bytes);
}

void ConsoleView::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) {
        event->ignore();
        return;
    }
    scrollTo(back_ + steps * wheelLines);
    event->accept();
}

void ConsoleView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        // The X11 way: the primary selection goes in as a paste.
        const QString text = QApplication::clipboard()->text(QClipboard::Selection);
        if (!text.isEmpty()) {
            const QList<uint> units = text.toUcs4();
            typed(keys_.paste(std::u32string(units.begin(), units.end())));
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const Spot at = spotAt(event->position().toPoint());
    const bool triple = QDateTime::currentMSecsSinceEpoch() - lastDoubleClick_ < QApplication::doubleClickInterval() &&
                        (event->position().toPoint() - doubleClickAt_).manhattanLength() < 4;
    if (triple) {
        selectLine(at);
        selecting_ = false;
        return;
    }
    select(at, at);
    selecting_ = true;
}

void ConsoleView::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting_)
        return;
    const QPoint point = event->position().toPoint();
    if (point.y() < 0)
        scrollTo(back_ + 1);
    else if (point.y() >= height())
        scrollTo(back_ - 1);
    end_ = spotAt(point);
    refreshCells();
}

void ConsoleView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    selecting_ = false;
    const QString text = selectedText();
    if (!text.isEmpty() && QApplication::clipboard()->supportsSelection())
        QApplication::clipboard()->setText(text, QClipboard::Selection);
}

void ConsoleView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    lastDoubleClick_ = QDateTime::currentMSecsSinceEpoch();
    doubleClickAt_ = event->position().toPoint();
    selecting_ = false;
    Spot at = spotAt(doubleClickAt_);
    at.col = std::clamp(event->position().toPoint().x() / cellWidth_, 0, emulator_.cols() - 1);
    selectWord(at);
}

void ConsoleView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    refreshCells();
}

void ConsoleView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    refreshCells();
}
