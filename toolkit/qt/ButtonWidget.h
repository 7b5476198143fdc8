// Binds a Button model to a push button: title, tooltip (keys in the platform's notation), and
// the key equivalent as its shortcut while the button's window is active. The key sends the
// action the moment it is pressed, so keys typed in a burst act in the order they were typed.
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

protected:
    bool event(QEvent* event) override;

private:
    void sync();

    ModelBinding<Button> model_;
};
