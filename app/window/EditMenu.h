// A window's Edit menu: Undo, Redo, Cut, Copy, Paste and Select All on the platform's standard
// keys, acting on whichever text widget of the window has the focus. An item the focused
// widget cannot do (cutting from the read-only receive view, say) is disabled, key included;
// as the menu opens it is checked again, since what can be undone changes with every key.
#pragma once

#include <QMenu>
#include <QPointer>

class QAction;

class EditMenu : public QMenu {
public:
    enum class Command { Undo, Redo, Cut, Copy, Paste, SelectAll };

    // window is the one whose focused widget the commands act on.
    explicit EditMenu(QWidget* window);

    QAction* action(Command command) const { return actions_[static_cast<int>(command)]; }

    // Whether widget can carry out command, and if perform is set, carries it out.
    static bool apply(QWidget* widget, Command command, bool perform);

private:
    // The widget the commands are for: the focused one, or while the menu bar holds the focus
    // (its menus opened with Alt), the one that had it before.
    QWidget* target() const;
    void focusMoved(QWidget* now);
    // Enables the items the target can do.
    void follow();

    QWidget* window_;
    QPointer<QWidget> lastFocus_;
    QAction* actions_[6] = {};
};
