// A file send's or transfer's progress as the status area shows it: a bar (busy while the
// size is unknown), the bytes, rate and time left in words, and Cancel.
#pragma once

#include "app/send/TransferProgress.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class TransferProgressWidget : public QWidget {
    Q_OBJECT

public:
    explicit TransferProgressWidget(QWidget* parent = nullptr);

    // What is moving: "Sending firmware.bin", "ZMODEM receive".
    void setTitle(const QString& title);
    void showProgress(const TransferProgress& progress);
    QProgressBar* bar() const { return bar_; }
    QLabel* text() const { return text_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void cancelClicked();

private:
    QLabel* title_;
    QProgressBar* bar_;
    QLabel* text_;
    QPushButton* cancel_;
};
