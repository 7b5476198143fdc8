#include "app/window/CharacterFormatDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

#include <algorithm>

namespace {

using Parity = CharacterFormat::Parity;

// The item whose data is value, or the first.
void choose(QComboBox* box, int value)
{
    box->setCurrentIndex(std::max(0, box->findData(value)));
}

} // namespace

CharacterFormatDialog::CharacterFormatDialog(const CharacterFormat& current, bool markSpace, QWidget* parent)
    : QDialog(parent), dataBits_(new QComboBox), parity_(new QComboBox), stopBits_(new QComboBox)
{
    setWindowTitle(tr("Character Format"));
    for (int bits = 5; bits <= 8; ++bits)
        dataBits_->addItem(QString::number(bits), bits);
    parity_->addItem(tr("None"), int(Parity::None));
    parity_->addItem(tr("Even"), int(Parity::Even));
    parity_->addItem(tr("Odd"), int(Parity::Odd));
    if (markSpace) {
        parity_->addItem(tr("Mark"), int(Parity::Mark));
        parity_->addItem(tr("Space"), int(Parity::Space));
    }
    stopBits_->addItem(QStringLiteral("1"), 1);
    stopBits_->addItem(QStringLiteral("2"), 2);
    choose(dataBits_, current.dataBits);
    choose(parity_, int(current.parity));
    choose(stopBits_, current.stopBits);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("&Data bits:"), dataBits_);
    layout->addRow(tr("&Parity:"), parity_);
    layout->addRow(tr("&Stop bits:"), stopBits_);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

CharacterFormat CharacterFormatDialog::format() const
{
    return {dataBits_->currentData().toInt(), Parity(parity_->currentData().toInt()), stopBits_->currentData().toInt()};
}

std::optional<CharacterFormat> CharacterFormatDialog::ask(const CharacterFormat& current, bool markSpace,
                                                          QWidget* parent)
{
    CharacterFormatDialog dialog(current, markSpace, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.format();
}
