#include "toolkit/qt/SegmentedControlWidget.h"

#include "toolkit/qt/nativeKeyText.h"

#include <QHBoxLayout>
#include <QToolButton>

SegmentedControlWidget::SegmentedControlWidget(std::shared_ptr<SegmentedControl> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model), [this] { sync(); })
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    sync();
}

QAbstractButton* SegmentedControlWidget::segmentButton(int segment) const
{
    return segment >= 0 && segment < static_cast<int>(buttons_.size()) ? buttons_[static_cast<std::size_t>(segment)] : nullptr;
}

void SegmentedControlWidget::rebuild()
{
    for (QAbstractButton* button : buttons_)
        delete button;
    buttons_.clear();
    shownLabels_ = model_->labels();
    for (std::size_t i = 0; i < shownLabels_.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromStdString(shownLabels_[i]));
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        // Tool buttons hug their text; a little room keeps labels like "Mixed" off the edges.
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) +
                                button->fontMetrics().averageCharWidth() + 2);
        // Clicking a segment leaves the keyboard focus where the user was typing.
        button->setFocusPolicy(Qt::TabFocus);
        const int segment = static_cast<int>(i);
        connect(button, &QAbstractButton::clicked, this, [this, segment] {
            model_->userSelectSegment(segment);
            sync(); // a click on the checked segment unchecked it; show the model again
        });
        layout()->addWidget(button);
        buttons_.push_back(button);
    }
    nameSegments();
}

void SegmentedControlWidget::setGroupName(const QString& name)
{
    groupName_ = name;
    setAccessibleName(name);
    nameSegments();
}

void SegmentedControlWidget::nameSegments()
{
    for (QAbstractButton* button : buttons_)
        button->setAccessibleName(groupName_.isEmpty() ? QString() : tr("%1: %2").arg(groupName_, button->text()));
}

void SegmentedControlWidget::sync()
{
    if (model_->labels() != shownLabels_)
        rebuild();
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setChecked(static_cast<int>(i) == model_->selectedSegment());
    setToolTip(nativeKeyText(model_->toolTip()));
    if (model_->selectedSegment() != shownSelection_) {
        shownSelection_ = model_->selectedSegment();
        emit selectionChanged(shownSelection_);
    }
}
