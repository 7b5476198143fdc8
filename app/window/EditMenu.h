// A window's Edit menu: Undo, Redo, Cut, Copy, Paste and Select All on the platform's standard
// keys, acting on whichever text widget of the window has the focus. An item the focused
// widget cannot do (cutting from the read-only receive view, say) is disabled, key included.
#pragma once

#include <QMenu>

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
    // Enables the items the focused widget can do.
    void follow();

    QWidget* window_;
    QAction* actions_[6] = {};
};
