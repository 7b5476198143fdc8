// The receive view and the editor under the keyboard and the mouse: keys that copy and select,
// selection by drag, word and line, and the context menu.
#include "toolkit/qt/TextViewWidget.h"

#include "toolkit/qt/scrollWhileDragging.h"
#include "toolkit/qt/wordAt.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

void TextViewWidget::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy)
        copy();
    else if (event == QKeySequence::SelectAll)
        selectAll();
    else if (event == QKeySequence::MoveToStartOfDocument)
        verticalScrollBar()->setValue(0);
    else if (event == QKeySequence::MoveToEndOfDocument
             || (event->key() == Qt::Key_End && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier))
        followEnd();
    else
        QAbstractScrollArea::keyPressEvent(event);
}

void TextViewWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const std::size_t position = positionAt(event->position().toPoint());
    setSelection((event->modifiers() & Qt::ShiftModifier) ? anchor_ : position, position);
    dragging_ = true;
}

void TextViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    scrollWhileDragging(verticalScrollBar(), point, viewport()->height());
    setSelection(anchor_, positionAt(point));
}

void TextViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    dragging_ = false;
    // A click that leaves nothing selected, at the end, lets the view follow again.
    if (selection().length == 0 && verticalScrollBar()->value() == verticalScrollBar()->maximum())
        model_->setHeld(false);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (selection().length > 0 && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TextViewWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const TextRange word = wordAt(model_->string(), positionAt(event->position().toPoint()));
    setSelection(word.location, word.end());
    dragging_ = true;
}

void TextViewWidget::fillContextMenu(QMenu& menu)
{
    QAction* copyAction = menu.addAction(QStringLiteral("Copy"), this, [this] { copy(); });
    copyAction->setEnabled(selection().length > 0);
    copyAction->setShortcut(QKeySequence::Copy);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Select All"), this, [this] { selectAll(); })->setShortcut(QKeySequence::SelectAll);
}

void TextViewWidget::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    fillContextMenu(menu);
    menu.exec(event->globalPos());
}
