#include "toolkit/qt/TextFieldWidget.h"

#include "toolkit/qt/nativeKeyText.h"

TextFieldWidget::TextFieldWidget(std::shared_ptr<TextField> model, QWidget* parent)
    : QLineEdit(parent), model_(std::move(model), [this] { sync(); })
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { model_->userSetStringValue(text.toStdString()); });
    sync();
}

void TextFieldWidget::sync()
{
    const QString value = QString::fromStdString(model_->stringValue());
    if (value != text())
        setText(value);
    setToolTip(nativeKeyText(model_->toolTip()));
}
