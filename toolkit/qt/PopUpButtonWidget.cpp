#include "toolkit/qt/PopUpButtonWidget.h"

#include "toolkit/printableText.h"
#include "toolkit/qt/nativeKeyText.h"

#include <QSignalBlocker>

PopUpButtonWidget::PopUpButtonWidget(std::shared_ptr<PopUpButton> model, QWidget* parent)
    : QComboBox(parent), model_(std::move(model), [this] { sync(); })
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this, [this](int index) {
        model_->selectItemAtIndex(index);
        model_->sendAction();
    });
    sync();
}

void PopUpButtonWidget::sync()
{
    const QSignalBlocker quiet(this);
    if (model_->itemTitles() != shownItems_) {
        shownItems_ = model_->itemTitles();
        clear();
        for (const std::string& title : shownItems_)
            addItem(QString::fromStdString(printableText(title))); // the model keeps the name itself
    }
    setCurrentIndex(model_->indexOfSelectedItem());
    setPlaceholderText(QString::fromStdString(model_->placeholder()));
    setToolTip(nativeKeyText(model_->toolTip()));
}
