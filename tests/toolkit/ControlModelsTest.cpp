#include "toolkit/SegmentedControl.h"
#include "toolkit/TextField.h"

#include <gtest/gtest.h>

namespace {

TEST(SegmentedControlTest, ClickSelectsBeforeTheActionRuns)
{
    SegmentedControl toggle;
    toggle.setLabels({"Off", "On"});
    int seenByAction = -2;
    toggle.setAction([&](Control& sender) {
        seenByAction = static_cast<SegmentedControl&>(sender).selectedSegment();
        // The action may overrule the click, as a failed open does.
        toggle.setSelectedSegment(0);
    });

    toggle.userSelectSegment(1);

    EXPECT_EQ(seenByAction, 1);
    EXPECT_EQ(toggle.selectedSegment(), 0);
}

TEST(SegmentedControlTest, IndexesOutsideTheSegmentsMeanNone)
{
    SegmentedControl view;
    EXPECT_EQ(view.selectedSegment(), -1);
    view.setLabels({"Text", "Mixed", "Dec", "Hex"});
    view.setSelectedSegment(3);
    EXPECT_EQ(view.selectedSegment(), 3);

    view.setSelectedSegment(4);
    EXPECT_EQ(view.selectedSegment(), -1);

    view.setSelectedSegment(3);
    view.setLabels({"Off", "On"});
    EXPECT_EQ(view.selectedSegment(), -1);
}

TEST(TextFieldTest, TypingTellsTheWidgetButSendsNoAction)
{
    TextField field;
    int actions = 0;
    int changes = 0;
    field.setAction([&](Control&) { ++actions; });
    field.setObserver([&] { ++changes; });

    field.userSetStringValue("65, 66");
    field.userSetStringValue("65, 66");

    EXPECT_EQ(field.stringValue(), "65, 66");
    EXPECT_EQ(actions, 0);
    EXPECT_EQ(changes, 1);
}

} // namespace
