#include "toolkit/qt/ButtonWidget.h"

#include "toolkit/qt/nativeKeyText.h"

#include <QShortcutEvent>
#include <QTimer>

ButtonWidget::ButtonWidget(std::shared_ptr<Button> model, QWidget* parent)
    : QPushButton(parent), model_(std::move(model), [this] { sync(); })
{
    // Clicking leaves the keyboard focus in the editor the user is typing in.
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { model_->sendAction(); });
    sync();
}

bool ButtonWidget::event(QEvent* event)
{
    // A push button answers its shortcut with an animated click that sends some 100 ms later,
    // while the editor goes on taking the keys typed after it. Send now; only the look waits.
    if (event->type() == QEvent::Shortcut && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        setDown(true);
        QTimer::singleShot(100, this, [this] { setDown(false); });
        model_->sendAction();
        return true;
    }
    return QPushButton::event(event);
}

void ButtonWidget::sync()
{
    setText(QString::fromStdString(model_->title()));
    setToolTip(nativeKeyText(model_->toolTip()));
    setShortcut(QKeySequence::fromString(QString::fromStdString(model_->keyEquivalent()), QKeySequence::PortableText));
}
