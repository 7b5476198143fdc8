// Model of a push button: a title, and a key equivalent that a widget turns into a shortcut.
// A click, by mouse or key, is the inherited sendAction().
#pragma once

#include "toolkit/Control.h"

#include <string>

class Button : public Control {
public:
    void setTitle(std::string title);
    const std::string& title() const { return title_; }

    // In the portable form "Ctrl+Shift+Return"; Ctrl stands for Command on a Mac. Empty for none.
    void setKeyEquivalent(std::string keys);
    const std::string& keyEquivalent() const { return keyEquivalent_; }

private:
    std::string title_;
    std::string keyEquivalent_;
};
