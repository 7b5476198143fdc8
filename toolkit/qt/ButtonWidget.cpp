#include "toolkit/qt/ButtonWidget.h"

#include "toolkit/qt/nativeKeyText.h"

#include <QShortcut>
#include <QTimer>

ButtonWidget::ButtonWidget(std::shared_ptr<Button> model, QWidget* parent)
    : QPushButton(parent), model_(std::move(model), [this] { sync(); })
{
    // Clicking leaves the keyboard focus in the editor the user is typing in.
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { model_->sendAction(); });
    // Not QAbstractButton::setShortcut: that animates a click and sends it some 100 ms later,
    // while the editor goes on taking the keys typed after it.
    key_ = new QShortcut(this);
    key_->setContext(Qt::WindowShortcut);
    connect(key_, &QShortcut::activated, this, &ButtonWidget::keyPressed);
    sync();
}

void ButtonWidget::keyPressed()
{
    // Shown pressed for a moment, so the user sees which button the key stands for.
    setDown(true);
    QTimer::singleShot(100, this, [this] { setDown(false); });
    model_->sendAction();
}

void ButtonWidget::sync()
{
    setText(QString::fromStdString(model_->title()));
    setToolTip(nativeKeyText(model_->toolTip()));
    key_->setKey(QKeySequence::fromString(QString::fromStdString(model_->keyEquivalent()), QKeySequence::PortableText));
}
