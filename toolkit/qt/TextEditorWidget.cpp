#include "toolkit/qt/TextEditorWidget.h"

#include "toolkit/Utf16.h"
#include "toolkit/qt/PastedText.h"
#include "toolkit/qt/wordAt.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>

#include <algorithm>
#include <array>

namespace {


// Ctrl+Y redoes as well wherever the platform's keys leave it free (GTK's editors take it too);
// on a Mac Command+Y is no editing key.
bool isRedo(const QKeyEvent* event)
{
#ifndef Q_OS_MACOS
    if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y))
        return true;
#endif
    return event->matches(QKeySequence::Redo);
}

} // namespace

TextEditorWidget::TextEditorWidget(std::shared_ptr<TextView> model, QWidget* parent)
    : TextViewWidget(std::move(model), parent)
{
    setAttribute(Qt::WA_InputMethodEnabled, editable());
    viewport()->setAcceptDrops(true);
}

void TextEditorWidget::modelChanged(bool textChanged, bool selectionChanged)
{
    setAttribute(Qt::WA_InputMethodEnabled, editable());
    if (textChanged || selectionChanged) {
        ensureVisible(caret());
        restartBlink();
    }
}

// CR LF and surrogate pairs are one step for the caret, as they are one thing to the eye.
std::size_t TextEditorWidget::nextPosition(std::size_t position) const
{
    const std::u16string& text = model().string();
    if (position >= text.size())
        return text.size();
    if (position + 1 < text.size()
        && ((text[position] == u'\r' && text[position + 1] == u'\n') || (isHighSurrogate(text[position]) && isLowSurrogate(text[position + 1]))))
        return position + 2;
    return position + 1;
}

std::size_t TextEditorWidget::previousPosition(std::size_t position) const
{
    const std::u16string& text = model().string();
    position = std::min(position, text.size());
    if (position == 0)
        return 0;
    if (position >= 2
        && ((text[position - 2] == u'\r' && text[position - 1] == u'\n') || (isHighSurrogate(text[position - 2]) && isLowSurrogate(text[position - 1]))))
        return position - 2;
    return position - 1;
}

std::size_t TextEditorWidget::nextWord(std::size_t position) const
{
    const std::u16string& text = model().string();
    while (position < text.size() && wordClass(text[position]) != 1)
        ++position;
    while (position < text.size() && wordClass(text[position]) == 1)
        ++position;
    return position;
}

std::size_t TextEditorWidget::previousWord(std::size_t position) const
{
    const std::u16string& text = model().string();
    position = std::min(position, text.size());
    while (position > 0 && wordClass(text[position - 1]) != 1)
        --position;
    while (position > 0 && wordClass(text[position - 1]) == 1)
        --position;
    return position;
}

std::size_t TextEditorWidget::moved(Move move, std::size_t from)
{
    const MonoTextLayout& layout = textLayout();
    const std::size_t line = layout.lineOf(from);
    long long lines = 0;
    switch (move) {
    case Move::PreviousChar: return previousPosition(from);
    case Move::NextChar: return nextPosition(from);
    case Move::PreviousWord: return previousWord(from);
    case Move::NextWord: return nextWord(from);
    case Move::LineStart: return layout.line(line).start;
    case Move::LineEnd: return layout.positionAt(line, layout.columns() + 1);
    case Move::DocumentStart: return 0;
    case Move::DocumentEnd: return model().length();
    case Move::PreviousLine: lines = -1; break;
    case Move::NextLine: lines = 1; break;
    case Move::PreviousPage: lines = -visibleLineCount(); break;
    case Move::NextPage: lines = visibleLineCount(); break;
    }
    if (preferredColumn_ < 0)
        preferredColumn_ = layout.columnOf(from);
    const long long target = static_cast<long long>(line) + lines;
    if (target < 0)
        return 0;
    if (target >= static_cast<long long>(layout.lineCount()))
        return model().length();
    if (move == Move::PreviousPage || move == Move::NextPage) // the page turns with the caret
        verticalScrollBar()->setValue(verticalScrollBar()->value() + static_cast<int>(lines));
    return layout.positionAt(static_cast<std::size_t>(target), preferredColumn_);
}

bool TextEditorWidget::handleMove(const QKeyEvent* event)
{
    // Each move with its key, and the key that makes the same move extending the selection.
    struct Binding {
        QKeySequence::StandardKey key;
        QKeySequence::StandardKey selectKey;
        Move move;
    };
    static constexpr std::array bindings{
        Binding{QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousChar},
        Binding{QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextChar},
        Binding{QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::PreviousWord},
        Binding{QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::NextWord},
        Binding{QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::PreviousLine},
        Binding{QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::NextLine},
        Binding{QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PreviousPage},
        Binding{QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::NextPage},
        Binding{QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::LineStart},
        Binding{QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::LineEnd},
        Binding{QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, Move::LineStart},
        Binding{QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, Move::LineEnd},
        Binding{QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::DocumentStart},
        Binding{QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::DocumentEnd},
    };
    for (const Binding& binding : bindings) {
        const bool extend = event->matches(binding.selectKey);
        if (!extend && !event->matches(binding.key))
            continue;
        const bool vertical = binding.move == Move::PreviousLine || binding.move == Move::NextLine
            || binding.move == Move::PreviousPage || binding.move == Move::NextPage;
        if (!vertical)
            preferredColumn_ = -1;
        const TextRange selected = selection();
        std::size_t target = 0;
        // Left and Right first collapse a selection to its edge.
        if (!extend && selected.length > 0 && binding.move == Move::PreviousChar)
            target = selected.location;
        else if (!extend && selected.length > 0 && binding.move == Move::NextChar)
            target = selected.end();
        else
            target = moved(binding.move, caret());
        setSelection(extend ? anchor() : target, target);
        model().breakUndoCoalescing();
        ensureVisible(target);
        restartBlink();
        return true;
    }
    return false;
}

bool TextEditorWidget::isTypedText(const QKeyEvent* event)
{
    // Ctrl and Meta combinations carry control characters in text(); they are commands.
    if (event->text().isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    const QString text = event->text();
    return std::none_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 0x20 || ch.unicode() == 0x7F; });
}

bool TextEditorWidget::handleEdit(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (event->matches(QKeySequence::Undo))
        undo();
    else if (isRedo(event))
        redo();
    else if (event->matches(QKeySequence::Cut))
        cut();
    else if (event->matches(QKeySequence::Paste))
        paste();
    else if (event->matches(QKeySequence::DeleteStartOfWord))
        deleteTo(previousWord(caret()));
    else if (event->matches(QKeySequence::DeleteEndOfWord))
        deleteTo(nextWord(caret()));
    else if (event->matches(QKeySequence::Delete))
        deleteTo(nextPosition(caret()));
    else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & commandKeys))
        deleteTo(previousPosition(caret()));
    else if (event->matches(QKeySequence::InsertParagraphSeparator) || event->matches(QKeySequence::InsertLineSeparator))
        replace(selection(), u"\n", EditKind::Typing);
    else if (event->key() == Qt::Key_Tab && !(event->modifiers() & (commandKeys | Qt::ShiftModifier)))
        replace(selection(), u"\t", EditKind::Typing);
    else if (isTypedText(event))
        replace(selection(), event->text().toStdU16String(), EditKind::Typing);
    else
        return false;
    return true;
}

void TextEditorWidget::keyPressEvent(QKeyEvent* event)
{
    restartBlink();
    if (editable() && (handleMove(event) || handleEdit(event)))
        event->accept();
    else
        TextViewWidget::keyPressEvent(event);
}

bool TextEditorWidget::event(QEvent* event)
{
    if (editable() && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
        // Tab is a character here, not a move to the next control.
        const bool tab = key->key() == Qt::Key_Tab && !(key->modifiers() & ~Qt::KeypadModifier);
        if (event->type() == QEvent::KeyPress && tab) {
            keyPressEvent(key);
            return true;
        }
        // Ctrl+Tab leaves it, as it leaves other editors that take Tab as a character.
        const bool leave = (key->modifiers() & Qt::ControlModifier)
            && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab);
        if (event->type() == QEvent::KeyPress && leave) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        // Keys this editor uses are not window shortcuts while it has the focus.
        if (event->type() == QEvent::ShortcutOverride
            && (tab || (plain && isTypedText(key)) || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)
                || key->matches(QKeySequence::Paste) || key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Delete)
                || key->matches(QKeySequence::Undo) || isRedo(key))) {
            event->accept();
            return true;
        }
    }
    return TextViewWidget::event(event);
}

void TextEditorWidget::replace(TextRange range, std::u16string_view text, EditKind kind)
{
    preferredColumn_ = -1;
    model().userReplaceCharacters(range, text, kind);
}

void TextEditorWidget::deleteTo(std::size_t position)
{
    // A selection deleted is a step of its own; only keys that delete at the caret run on.
    const std::size_t from = std::min(position, caret());
    if (selection().length > 0)
        replace(selection(), {}, EditKind::Other);
    else if (position != caret())
        replace(TextRange{from, std::max(position, caret()) - from}, {}, EditKind::Deleting);
}

void TextEditorWidget::cut()
{
    if (!editable() || selection().length == 0)
        return;
    copy();
    replace(selection(), {}, EditKind::Other);
}

void TextEditorWidget::paste()
{
    if (const QMimeData* source = QGuiApplication::clipboard()->mimeData())
        insertFromMimeData(*source);
}

bool TextEditorWidget::insertFromMimeData(const QMimeData& source)
{
    const AttributedText text = pastedText(source);
    if (!editable() || text.empty())
        return false;
    preferredColumn_ = -1;
    return model().userReplaceCharacters(selection(), text);
}

void TextEditorWidget::inputMethodEvent(QInputMethodEvent* event)
{
    if (!editable()) {
        event->ignore();
        return;
    }
    TextRange range = selection();
    if (event->replacementLength() > 0 || event->replacementStart() != 0) {
        const auto length = static_cast<long long>(model().length());
        const long long start = std::clamp(static_cast<long long>(caret()) + event->replacementStart(), 0LL, length);
        range = TextRange{static_cast<std::size_t>(start),
                          static_cast<std::size_t>(std::min<long long>(event->replacementLength(), length - start))};
    }
    if (!event->commitString().isEmpty() || range.length > 0)
        replace(range, event->commitString().toStdU16String(), EditKind::Typing);
    restartBlink();
    event->accept();
}

QVariant TextEditorWidget::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const QPoint offset = viewport()->pos();
    switch (query) {
    case Qt::ImEnabled: return editable();
    case Qt::ImCursorRectangle: return cellRect(caret()).translated(offset);
    case Qt::ImAnchorRectangle: return cellRect(anchor()).translated(offset);
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return static_cast<int>(caret());
    case Qt::ImAnchorPosition: return static_cast<int>(anchor());
    case Qt::ImSurroundingText: return QString::fromStdU16String(model().string());
    case Qt::ImCurrentSelection: return selectedText();
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    default: return TextViewWidget::inputMethodQuery(query);
    }
}

void TextEditorWidget::restartBlink()
{
    caretShown_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && isActiveWindow() && flash > 0) {
        blink_.start(flash / 2, this);
        blinkingFor_.start();
    } else {
        blink_.stop();
    }
    viewport()->update(cellRect(caret()));
}

void TextEditorWidget::focusInEvent(QFocusEvent* event)
{
    TextViewWidget::focusInEvent(event);
    restartBlink();
}

void TextEditorWidget::focusOutEvent(QFocusEvent* event)
{
    TextViewWidget::focusOutEvent(event);
    blink_.stop();
    viewport()->update(cellRect(caret()));
}

void TextEditorWidget::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != blink_.timerId()) {
        TextViewWidget::timerEvent(event);
        return;
    }
    caretShown_ = !caretShown_;
    if (caretShown_ && blinkingFor_.hasExpired(blinkTimeout_.count()))
        blink_.stop();
    viewport()->update(cellRect(caret()));
}

void TextEditorWidget::mousePressEvent(QMouseEvent* event)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && editable() && clipboard->supportsSelection()) {
        const std::size_t position = positionAt(event->position().toPoint());
        setSelection(position, position);
        if (const QMimeData* source = clipboard->mimeData(QClipboard::Selection))
            insertFromMimeData(*source);
        return;
    }
    preferredColumn_ = -1;
    model().breakUndoCoalescing();
    TextViewWidget::mousePressEvent(event);
    restartBlink();
}

void TextEditorWidget::paintOverlay(QPainter& painter)
{
    const bool dropping = dropCaret_ != noDrop;
    if (!editable() || (!dropping && (!hasFocus() || !caretShown_)))
        return;
    const QRect cell = cellRect(dropping ? dropCaret_ : caret());
    const int width = std::max(1, style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
    painter.fillRect(QRect(cell.left(), cell.top(), width, cell.height()), palette().color(QPalette::Text));
}

void TextEditorWidget::fillContextMenu(QMenu& menu)
{
    const bool selected = selection().length > 0;
    menu.addAction(QStringLiteral("Undo"), this, [this] { undo(); })->setEnabled(isUndoAvailable());
    menu.addAction(QStringLiteral("Redo"), this, [this] { redo(); })->setEnabled(isRedoAvailable());
    menu.addSeparator();
    menu.addAction(QStringLiteral("Cut"), this, [this] { cut(); })->setEnabled(editable() && selected);
    menu.addAction(QStringLiteral("Copy"), this, [this] { copy(); })->setEnabled(selected);
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    menu.addAction(QStringLiteral("Paste"), this, [this] { paste(); })
        ->setEnabled(editable() && offered && (offered->hasText() || offered->hasHtml()));
    menu.addSeparator();
    menu.addAction(QStringLiteral("Select All"), this, [this] { selectAll(); });
}
