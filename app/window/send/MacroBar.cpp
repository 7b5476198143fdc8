#include "app/window/send/MacroBar.h"

#include <QHBoxLayout>
#include <QPushButton>

MacroBar::MacroBar(QWidget* parent)
    : QWidget(parent), layout_(new QHBoxLayout(this))
{
    setAccessibleName(tr("Macros"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addStretch(1);
    auto* edit = new QPushButton(tr("Edit Macros…"), this);
    edit->setAccessibleName(tr("Edit macros"));
    connect(edit, &QPushButton::clicked, this, &MacroBar::editRequested);
    layout_->addWidget(edit);
}

void MacroBar::showMacros(const std::vector<Macro>& macros)
{
    for (QPushButton* old : buttons_)
        delete old;
    buttons_.clear();
    for (std::size_t i = 0; i < macros.size() && i < MacroSet::limit; ++i) {
        const QString name = QString::fromUtf8(macros[i].name.data(), static_cast<int>(macros[i].name.size()));
        auto* button = new QPushButton(name.isEmpty() ? tr("Macro %1").arg(i + 1) : name, this);
        button->setAccessibleName(tr("Send macro %1: %2").arg(i + 1).arg(name));
        button->setToolTip(tr("Send %1 (F%2)").arg(name).arg(i + 1));
        const int index = static_cast<int>(i);
        connect(button, &QPushButton::clicked, this, [this, index] { emit macroClicked(index); });
        layout_->insertWidget(index, button);
        buttons_.push_back(button);
    }
}

QPushButton* MacroBar::button(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < buttons_.size() ? buttons_[static_cast<std::size_t>(index)]
                                                                            : nullptr;
}
