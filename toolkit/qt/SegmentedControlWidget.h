// Binds a SegmentedControl model to a row of checkable buttons, at most one of them checked.
// A click selects the segment in the model and sends its action; the buttons then show
// whatever the model holds, so an action that overrules the click is shown at once; others
// showing the same choice (a menu) hear of each new selection through selectionChanged().
#pragma once

#include "toolkit/SegmentedControl.h"
#include "toolkit/qt/ModelBinding.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QAbstractButton;

class SegmentedControlWidget : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedControlWidget(std::shared_ptr<SegmentedControl> model, QWidget* parent = nullptr);

    SegmentedControl& model() const { return *model_; }
    QAbstractButton* segmentButton(int segment) const;
    // What the segments choose, as a screen reader names the row and each segment ("Read: On"):
    // a label alone ("On") would not say what it switches.
    void setGroupName(const QString& name);

signals:
    // The model's selection changed, whoever changed it; -1 for none.
    void selectionChanged(int segment);

private:
    void sync();
    void rebuild();
    void nameSegments();

    ModelBinding<SegmentedControl> model_;
    std::vector<std::string> shownLabels_;
    std::vector<QAbstractButton*> buttons_;
    int shownSelection_ = -1;
    QString groupName_;
};
