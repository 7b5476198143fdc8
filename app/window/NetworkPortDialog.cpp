#include "app/window/NetworkPortDialog.h"

#include "app/startup/StartValues.h"
#include "serial/SerialController.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

NetworkPortDialog::NetworkPortDialog(const QString& last, QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(last)), problem_(new QLabel),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowTitle(tr("Open Network Port"));
    field_->setPlaceholderText(QStringLiteral("rfc2217://host:2217"));
    field_->setMinimumWidth(field_->fontMetrics().averageCharWidth() * 40);
    field_->selectAll();
    problem_->setAccessibleName(tr("Problem with the address"));
    problem_->setTextFormat(Qt::PlainText);
    problem_->setWordWrap(true);

    auto* layout = new QFormLayout(this);
    layout->addRow(tr("&Address:"), field_);
    auto* help = new QLabel(tr("rfc2217://HOST:PORT sets the remote port's rate, format, flow and lines "
                               "(ser2net, labgrid); tcp://HOST:PORT carries raw bytes only; "
                               "telnet://HOST:PORT is telnet without port settings. "
                               "The connection is not encrypted."));
    help->setWordWrap(true);
    layout->addRow(help);
    layout->addRow(problem_);
    layout->addRow(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(field_, &QLineEdit::textChanged, this, [this] { checkText(); });
    checkText();
}

std::optional<std::string> NetworkPortDialog::address() const
{
    const std::string text = field_->text().trimmed().toStdString();
    std::string error;
    if (!SerialController::isNetworkAddress(text) || !StartValues::port(text, error))
        return std::nullopt;
    return text;
}

void NetworkPortDialog::checkText()
{
    const std::string text = field_->text().trimmed().toStdString();
    std::string error;
    if (text.empty())
        error = "";
    else if (!SerialController::isNetworkAddress(text))
        error = "An address begins with rfc2217://, tcp:// or telnet://";
    else
        StartValues::port(text, error);
    problem_->setText(QString::fromStdString(error));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(address().has_value());
}

std::optional<std::string> NetworkPortDialog::ask(QWidget* parent)
{
    static QString last;
    NetworkPortDialog dialog(last, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const std::optional<std::string> chosen = dialog.address();
    if (chosen)
        last = QString::fromStdString(*chosen);
    return chosen;
}
