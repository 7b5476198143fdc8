// Binds a PopUpButton model to a combo box. The user's choice selects the item in the model
// and sends its action; changes made to the model only redraw, never send an action.
#pragma once

#include "toolkit/PopUpButton.h"
#include "toolkit/qt/ModelBinding.h"

#include <QComboBox>

#include <memory>
#include <string>
#include <vector>

class PopUpButtonWidget : public QComboBox {
    Q_OBJECT

public:
    explicit PopUpButtonWidget(std::shared_ptr<PopUpButton> model, QWidget* parent = nullptr);

    PopUpButton& model() const { return *model_; }

private:
    void sync();

    ModelBinding<PopUpButton> model_;
    std::vector<std::string> shownItems_;
};
