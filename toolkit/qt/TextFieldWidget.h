// Binds a TextField model to a line edit: typing updates the model's value (no action),
// and a value set in code replaces what the line edit shows.
#pragma once

#include "toolkit/TextField.h"
#include "toolkit/qt/ModelBinding.h"

#include <QLineEdit>

#include <memory>

class TextFieldWidget : public QLineEdit {
    Q_OBJECT

public:
    explicit TextFieldWidget(std::shared_ptr<TextField> model, QWidget* parent = nullptr);

    TextField& model() const { return *model_; }

private:
    void sync();

    ModelBinding<TextField> model_;
};
