// An editable TextViewWidget: a caret, the usual keys, paste, drops and input methods.
// Every edit reaches the model as a splice of the exact code units typed, pasted or dropped
// (Enter is LF); the widget never keeps text of its own, so what the model holds is what was
// entered, and what the model's delegate refuses never gets in by any of these ways.
#pragma once

#include "toolkit/qt/TextViewWidget.h"

#include <QBasicTimer>
#include <QElapsedTimer>

#include <chrono>
#include <string_view>

class QMimeData;

class TextEditorWidget : public TextViewWidget {
    Q_OBJECT

public:
    explicit TextEditorWidget(std::shared_ptr<TextView> model, QWidget* parent = nullptr);

    void cut();
    void paste();
    // Undo and redo are the model's: its delegate keeps the history of what the text stands for.
    void undo() { model().undo(); }
    void redo() { model().redo(); }
    bool isUndoAvailable() const { return model().canUndo(); }
    bool isRedoAvailable() const { return model().canRedo(); }
    // Replaces the selection with what data offers, colours included, as one edit; false when
    // it offers no text or the model refused it.
    bool insertFromMimeData(const QMimeData& source);
    // How long the caret blinks after the last key, click or focus; then it stays shown, so an
    // idle window does not wake twice a second for ever.
    void setCaretBlinkTimeout(std::chrono::milliseconds timeout) { blinkTimeout_ = timeout; }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Text dropped goes in where it falls, as a paste there (TextEditorWidgetDrop.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void modelChanged(bool textChanged, bool selectionChanged) override;
    void paintOverlay(QPainter& painter) override;
    void fillContextMenu(QMenu& menu) override;

private:
    enum class Move { PreviousChar, NextChar, PreviousWord, NextWord, PreviousLine, NextLine,
                      PreviousPage, NextPage, LineStart, LineEnd, DocumentStart, DocumentEnd };

    bool editable() const { return model().isEditable(); }
    bool handleMove(const QKeyEvent* event);
    bool handleEdit(const QKeyEvent* event);
    static bool isTypedText(const QKeyEvent* event);
    std::size_t moved(Move move, std::size_t from);
    std::size_t nextPosition(std::size_t position) const;
    std::size_t previousPosition(std::size_t position) const;
    std::size_t nextWord(std::size_t position) const;
    std::size_t previousWord(std::size_t position) const;
    void replace(TextRange range, std::u16string_view text, EditKind kind);
    void deleteTo(std::size_t position);
    void restartBlink();
    bool acceptsDrop(QDropEvent* event) const;
    void showDropCaret(std::size_t position);

    QBasicTimer blink_;
    QElapsedTimer blinkingFor_;
    std::chrono::milliseconds blinkTimeout_{5000};
    bool caretShown_ = true;
    int preferredColumn_ = -1;
    static constexpr std::size_t noDrop = static_cast<std::size_t>(-1);
    std::size_t dropCaret_ = noDrop; // where a drag held over the editor would drop
};
