// Model of a segmented control: a row of labelled segments with at most one selected.
// Segments count from 0; -1 means none is selected.
#pragma once

#include "toolkit/Control.h"

#include <string>
#include <vector>

class SegmentedControl : public Control {
public:
    // Sets the segments, one per label. A selection beyond the new count becomes -1.
    void setLabels(std::vector<std::string> labels);
    const std::vector<std::string>& labels() const { return labels_; }
    int segmentCount() const { return static_cast<int>(labels_.size()); }

    int selectedSegment() const { return selected_; }
    // An index outside the segments selects none (-1).
    void setSelectedSegment(int segment);

    // The user clicked a segment: select it, then send the action.
    void userSelectSegment(int segment);

private:
    std::vector<std::string> labels_;
    int selected_ = -1;
};
