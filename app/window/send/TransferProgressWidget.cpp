#include "app/window/send/TransferProgressWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TransferProgressWidget::TransferProgressWidget(QWidget* parent)
    : QWidget(parent), title_(new QLabel), bar_(new QProgressBar), text_(new QLabel), cancel_(new QPushButton(tr("Cancel")))
{
    setAccessibleName(tr("Transfer progress"));
    title_->setAccessibleName(tr("Transfer"));
    title_->setTextFormat(Qt::PlainText);
    bar_->setAccessibleName(tr("Transfer progress bar"));
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    text_->setAccessibleName(tr("Transfer details"));
    cancel_->setAccessibleName(tr("Cancel the transfer"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title_);
    layout->addWidget(bar_, 1);
    layout->addWidget(text_);
    layout->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, &TransferProgressWidget::cancelClicked);
}

void TransferProgressWidget::setTitle(const QString& title)
{
    title_->setText(title);
}

void TransferProgressWidget::showProgress(const TransferProgress& progress)
{
    if (progress.total && *progress.total > 0) {
        bar_->setRange(0, 1000);
        bar_->setValue(static_cast<int>(std::min<std::uint64_t>(progress.done, *progress.total) * 1000 / *progress.total));
    } else {
        bar_->setRange(0, 0); // how far is not known: a busy bar
    }
    text_->setText(QString::fromStdString(progress.describe()));
}
