#include "toolkit/qt/ButtonWidget.h"

ButtonWidget::ButtonWidget(std::shared_ptr<Button> model, QWidget* parent)
    : QPushButton(parent), model_(std::move(model), [this] { sync(); })
{
    // Clicking leaves the keyboard focus in the editor the user is typing in.
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { model_->sendAction(); });
    sync();
}

void ButtonWidget::sync()
{
    setText(QString::fromStdString(model_->title()));
    setToolTip(QString::fromStdString(model_->toolTip()));
    setShortcut(QKeySequence::fromString(QString::fromStdString(model_->keyEquivalent()), QKeySequence::PortableText));
}
