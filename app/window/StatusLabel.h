// The status bar's message: one line that never pushes the window wider or taller. Text
// that does not fit ends in "…" and shows whole in its tooltip, so nothing is ever lost.
#pragma once

#include <QLabel>

class StatusLabel : public QLabel {
public:
    explicit StatusLabel(QWidget* parent = nullptr);

    void setMessage(const QString& message);
    const QString& message() const { return message_; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString message_;
};
