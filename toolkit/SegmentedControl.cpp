#include "toolkit/SegmentedControl.h"

void SegmentedControl::setLabels(std::vector<std::string> labels)
{
    labels_ = std::move(labels);
    if (selected_ >= segmentCount())
        selected_ = -1;
    changed();
}

void SegmentedControl::setSelectedSegment(int segment)
{
    selected_ = (segment >= 0 && segment < segmentCount()) ? segment : -1;
    changed();
}

void SegmentedControl::userSelectSegment(int segment)
{
    setSelectedSegment(segment);
    sendAction();
}
