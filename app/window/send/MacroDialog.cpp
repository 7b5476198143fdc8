#include "app/window/send/MacroDialog.h"

#include "app/send/macroText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString qtext(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

} // namespace

MacroDialog::MacroDialog(std::vector<Macro> macros, int viewType, TextEncoding encoding, QWidget* parent)
    : QDialog(parent), macros_(std::move(macros)), viewType_(viewType), encoding_(encoding), list_(new QListWidget),
      name_(new QLineEdit), message_(new QLineEdit), problem_(new QLabel), add_(new QPushButton(tr("&Add"))),
      remove_(new QPushButton(tr("&Remove"))), up_(new QPushButton(tr("Move &Up"))),
      down_(new QPushButton(tr("Move &Down"))),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowTitle(tr("Macros"));
    list_->setAccessibleName(tr("Macros"));
    name_->setAccessibleName(tr("Macro name"));
    message_->setAccessibleName(tr("Macro message"));
    message_->setPlaceholderText(tr("AT\\13\\10 or AT\\0x0D\\0x0A"));
    problem_->setWordWrap(true);

    auto* order = new QVBoxLayout;
    for (QPushButton* button : {add_, remove_, up_, down_})
        order->addWidget(button);
    order->addStretch(1);
    auto* fields = new QFormLayout;
    fields->addRow(tr("&Name:"), name_);
    fields->addRow(tr("&Message:"), message_);
    fields->addRow(problem_);
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(order);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    layout->addWidget(buttons_);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { showChosen(); });
    connect(name_, &QLineEdit::textEdited, this, [this] { takeFields(); });
    connect(message_, &QLineEdit::textEdited, this, [this] { takeFields(); });
    connect(add_, &QPushButton::clicked, this, [this] {
        macros_.push_back({tr("Macro %1").arg(macros_.size() + 1).toStdString(), {}});
        showList(static_cast<int>(macros_.size()) - 1);
        name_->setFocus();
        name_->selectAll();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        const int row = list_->currentRow();
        if (row < 0)
            return;
        macros_.erase(macros_.begin() + row);
        showList(std::min(row, static_cast<int>(macros_.size()) - 1));
    });
    connect(up_, &QPushButton::clicked, this, [this] { moveChosen(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { moveChosen(1); });
    showList(macros_.empty() ? -1 : 0);
}

void MacroDialog::showList(int selected)
{
    showing_ = true;
    list_->clear();
    for (std::size_t i = 0; i < macros_.size(); ++i)
        list_->addItem(tr("F%1  %2").arg(i + 1).arg(qtext(macros_[i].name)));
    list_->setCurrentRow(selected);
    showing_ = false;
    showChosen();
}

void MacroDialog::showChosen()
{
    if (showing_)
        return;
    const int row = list_->currentRow();
    const bool chosen = row >= 0 && static_cast<std::size_t>(row) < macros_.size();
    name_->setEnabled(chosen);
    message_->setEnabled(chosen);
    remove_->setEnabled(chosen);
    up_->setEnabled(chosen && row > 0);
    down_->setEnabled(chosen && static_cast<std::size_t>(row) + 1 < macros_.size());
    add_->setEnabled(macros_.size() < MacroSet::limit);
    name_->setText(chosen ? qtext(macros_[static_cast<std::size_t>(row)].name) : QString());
    const std::u16string text = chosen ? macroText(macros_[static_cast<std::size_t>(row)].bytes, viewType_, encoding_)
                                       : std::u16string();
    message_->setText(QString::fromStdU16String(text));
    problem_->clear();
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(true);
}

void MacroDialog::takeFields()
{
    const int row = list_->currentRow();
    if (row < 0)
        return;
    Macro& macro = macros_[static_cast<std::size_t>(row)];
    macro.name = name_->text().toStdString();
    list_->item(row)->setText(tr("F%1  %2").arg(row + 1).arg(name_->text()));
    std::string problem;
    const std::optional<std::string> bytes = macroBytes(message_->text().toStdU16String(), encoding_, &problem);
    if (bytes)
        macro.bytes = *bytes;
    problem_->setText(QString::fromStdString(problem));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(bytes.has_value());
}

void MacroDialog::moveChosen(int by)
{
    const int row = list_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || static_cast<std::size_t>(to) >= macros_.size())
        return;
    std::swap(macros_[static_cast<std::size_t>(row)], macros_[static_cast<std::size_t>(to)]);
    showList(to);
}

std::optional<std::vector<Macro>> MacroDialog::ask(std::vector<Macro> macros, int viewType, TextEncoding encoding,
                                                   QWidget* parent)
{
    MacroDialog dialog(std::move(macros), viewType, encoding, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.macros();
}
