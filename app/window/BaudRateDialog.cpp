#include "app/window/BaudRateDialog.h"

#include "app/terminal/MyDocument.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

// What boards and their tools use beyond 115200, and the odd ones people ask for by name.
constexpr int suggestions[] = {230400, 460800, 500000, 576000, 921600, 1000000, 1500000, 2000000, 3000000,
                               4000000, 31250, 74880, 250000};

} // namespace

BaudRateDialog::BaudRateDialog(int current, QWidget* parent)
    : QDialog(parent), rates_(new QComboBox), buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowTitle(tr("Baud Rate"));
    rates_->setEditable(true);
    rates_->setInsertPolicy(QComboBox::NoInsert);
    for (const int rate : suggestions)
        rates_->addItem(QString::number(rate));
    rates_->setValidator(new QIntValidator(1, MyDocument::highestRate, rates_));
    rates_->setCurrentText(QString::number(current));
    rates_->lineEdit()->selectAll();

    auto* layout = new QFormLayout(this);
    layout->addRow(tr("&Rate (baud):"), rates_);
    layout->addRow(new QLabel(tr("Any whole number from %1 to %2.")
                                  .arg(MyDocument::lowestRate)
                                  .arg(QLocale().toString(MyDocument::highestRate))));
    layout->addRow(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(rates_, &QComboBox::currentTextChanged, this, [this] { checkText(); });
    checkText();
}

std::optional<int> BaudRateDialog::rate() const
{
    bool ok = false;
    const int value = rates_->currentText().trimmed().toInt(&ok);
    if (!ok || value < MyDocument::lowestRate || value > MyDocument::highestRate)
        return std::nullopt;
    return value;
}

void BaudRateDialog::checkText()
{
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(rate().has_value());
}

std::optional<int> BaudRateDialog::ask(int current, QWidget* parent)
{
    BaudRateDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.rate();
}
