#include "app/window/EditMenu.h"

#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QVariant>

namespace {

// The project's own text widgets have plain member functions, and not all of them (the view
// can't be edited): use whichever exist.
template <typename Widget>
bool applyTo(Widget& widget, EditMenu::Command command, bool perform)
{
    using Command = EditMenu::Command;
    const auto run = [perform](auto&& call) {
        if (perform)
            call();
        return true;
    };
    switch (command) {
    case Command::Undo:
        if constexpr (requires { widget.undo(); })
            return widget.isUndoAvailable() && run([&] { widget.undo(); });
        return false;
    case Command::Redo:
        if constexpr (requires { widget.redo(); })
            return widget.isRedoAvailable() && run([&] { widget.redo(); });
        return false;
    case Command::Cut:
        if constexpr (requires { widget.cut(); })
            return widget.model().isEditable() && run([&] { widget.cut(); });
        return false;
    case Command::Copy:
        return run([&] { widget.copy(); });
    case Command::Paste:
        if constexpr (requires { widget.paste(); })
            return widget.model().isEditable() && run([&] { widget.paste(); });
        return false;
    case Command::SelectAll:
        return run([&] { widget.selectAll(); });
    }
    return false;
}

// Any other widget (a line edit, say) by its slots of these names, as Qt's text widgets have.
bool applyToSlots(QWidget& widget, EditMenu::Command command, bool perform)
{
    static const char* const names[] = {"undo", "redo", "cut", "copy", "paste", "selectAll"};
    const char* name = names[static_cast<int>(command)];
    if (widget.metaObject()->indexOfSlot(QByteArray(name).append("()").constData()) < 0)
        return false;
    const bool changesText = command != EditMenu::Command::Copy && command != EditMenu::Command::SelectAll;
    if (changesText && widget.property("readOnly").toBool())
        return false;
    if (perform)
        QMetaObject::invokeMethod(&widget, name);
    return true;
}

} // namespace

EditMenu::EditMenu(QWidget* window)
    : QMenu(tr("&Edit"), window), window_(window)
{
    const struct {
        const char* text;
        QKeySequence::StandardKey keys;
    } items[] = {
        {QT_TR_NOOP("&Undo"), QKeySequence::Undo},   {QT_TR_NOOP("&Redo"), QKeySequence::Redo},
        {QT_TR_NOOP("Cu&t"), QKeySequence::Cut},     {QT_TR_NOOP("&Copy"), QKeySequence::Copy},
        {QT_TR_NOOP("&Paste"), QKeySequence::Paste}, {QT_TR_NOOP("Select &All"), QKeySequence::SelectAll},
    };
    for (int i = 0; i < 6; ++i) {
        const auto command = static_cast<Command>(i);
        actions_[i] = addAction(tr(items[i].text), this, [this, command] { apply(target(), command, true); });
        actions_[i]->setShortcuts(items[i].keys);
        if (command == Command::Redo || command == Command::Paste)
            addSeparator();
    }
    connect(this, &QMenu::aboutToShow, this, &EditMenu::follow);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusMoved(now); });
    focusMoved(window->focusWidget());
}

bool EditMenu::apply(QWidget* widget, Command command, bool perform)
{
    if (!widget)
        return false;
    if (auto* editor = qobject_cast<TextEditorWidget*>(widget))
        return applyTo(*editor, command, perform);
    if (auto* view = qobject_cast<TextViewWidget*>(widget))
        return applyTo(*view, command, perform);
    return applyToSlots(*widget, command, perform);
}

QWidget* EditMenu::target() const
{
    QWidget* focused = window_->focusWidget();
    return qobject_cast<QMenuBar*>(focused) ? lastFocus_.data() : focused;
}

void EditMenu::focusMoved(QWidget* now)
{
    if (now && now->window() == window_ && !qobject_cast<QMenuBar*>(now))
        lastFocus_ = now;
    follow();
}

void EditMenu::follow()
{
    QWidget* widget = target();
    for (int i = 0; i < 6; ++i)
        actions_[i]->setEnabled(apply(widget, static_cast<Command>(i), false));
}
