// The editor's drops: text dragged in goes where it falls, through the same door as a paste,
// so whatever the model refuses from the clipboard it refuses from a drag.
#include "toolkit/qt/TextEditorWidget.h"

#include <QDragEnterEvent>
#include <QMimeData>

bool TextEditorWidget::acceptsDrop(QDropEvent* event) const
{
    const QMimeData* offered = event->mimeData();
    return editable() && offered && (offered->hasText() || offered->hasHtml());
}

void TextEditorWidget::showDropCaret(std::size_t position)
{
    if (dropCaret_ != noDrop)
        viewport()->update(cellRect(dropCaret_));
    dropCaret_ = position;
    if (dropCaret_ != noDrop)
        viewport()->update(cellRect(dropCaret_));
}

void TextEditorWidget::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void TextEditorWidget::dragMoveEvent(QDragMoveEvent* event)
{
    if (!acceptsDrop(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    showDropCaret(positionAt(event->position().toPoint()));
}

void TextEditorWidget::dragLeaveEvent(QDragLeaveEvent*)
{
    showDropCaret(noDrop);
}

void TextEditorWidget::dropEvent(QDropEvent* event)
{
    showDropCaret(noDrop);
    if (!acceptsDrop(event)) {
        event->ignore();
        return;
    }
    // A copy, where the source offers one: a refused or undone drop never costs the source its text.
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    const std::size_t keptAnchor = anchor();
    const std::size_t keptCaret = caret();
    const std::size_t position = positionAt(event->position().toPoint());
    setSelection(position, position);
    model().breakUndoCoalescing();
    if (!insertFromMimeData(*event->mimeData())) {
        setSelection(keptAnchor, keptCaret);
        event->ignore();
        return;
    }
    event->accept();
    activateWindow();
    setFocus(Qt::MouseFocusReason);
}
