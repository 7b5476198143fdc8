#include "toolkit/qt/TextFieldWidget.h"

#include "toolkit/qt/nativeKeyText.h"

#include <limits>

TextFieldWidget::TextFieldWidget(std::shared_ptr<TextField> model, QWidget* parent)
    : QLineEdit(parent), model_(std::move(model), [this] { sync(); })
{
    // Qt's default keeps 32,767 characters and cuts the rest silently: a pasted value list
    // would go out short, its last value cut in two.
    setMaxLength(std::numeric_limits<int>::max());
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
