#include "app/window/StatusLabel.h"

#include <QFontMetrics>
#include <QResizeEvent>

StatusLabel::StatusLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusLabel::setMessage(const QString& message)
{
    if (message == message_)
        return;
    message_ = message;
    setToolTip(message);
    elide();
}

QSize StatusLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

void StatusLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void StatusLabel::elide()
{
    setText(fontMetrics().elidedText(message_, Qt::ElideRight, contentsRect().width()));
}
