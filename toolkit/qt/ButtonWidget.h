// Binds a Button model to a push button: title, tooltip, and the key equivalent as its
// shortcut (active while the button's window is). A click or the shortcut sends the action.
#pragma once

#include "toolkit/Button.h"
#include "toolkit/qt/ModelBinding.h"

#include <QPushButton>

#include <memory>

class ButtonWidget : public QPushButton {
    Q_OBJECT

public:
    explicit ButtonWidget(std::shared_ptr<Button> model, QWidget* parent = nullptr);

    Button& model() const { return *model_; }

private:
    void sync();

    ModelBinding<Button> model_;
};
