#include "toolkit/PopUpButton.h"
#include "toolkit/SegmentedControl.h"
#include "toolkit/TextField.h"

#include <gtest/gtest.h>

namespace {

TEST(PopUpButton, KeepsItemsInOrderAndSelectsByIndexOrTitle)
{
    PopUpButton menu;
    EXPECT_EQ(menu.titleOfSelectedItem(), "");
    for (const char* title : {"cu.b", "cu.a", "cu.\xc3\xa9", "cu.a"}) // titles are UTF-8
        menu.addItemWithTitle(title);
    EXPECT_EQ(menu.itemTitles(), (std::vector<std::string>{"cu.b", "cu.a", "cu.\xc3\xa9", "cu.a"}));
    EXPECT_EQ(menu.indexOfSelectedItem(), 0) << "a filled pop-up shows its first item";

    menu.selectItemWithTitle("cu.a");
    EXPECT_EQ(menu.indexOfSelectedItem(), 1) << "the first of equal titles";
    menu.selectItemWithTitle("CU.A");
    EXPECT_EQ(menu.indexOfSelectedItem(), 1) << "an unknown title changes nothing";
    menu.selectItemAtIndex(4);
    EXPECT_EQ(menu.indexOfSelectedItem(), -1);
    EXPECT_EQ(menu.titleOfSelectedItem(), "");

    menu.selectItemAtIndex(0);
    menu.removeAllItems();
    EXPECT_EQ(menu.indexOfSelectedItem(), -1);
    menu.addItemWithTitle("again");
    EXPECT_EQ(menu.titleOfSelectedItem(), "again");
}

TEST(SegmentedControlTest, AClickSelectsBeforeTheActionRunsWhichMayOverruleIt)
{
    SegmentedControl toggle;
    EXPECT_EQ(toggle.selectedSegment(), -1);
    toggle.setLabels({"Off", "On"});
    int seenByAction = -2;
    toggle.setAction([&](Control&) {
        seenByAction = toggle.selectedSegment();
        toggle.setSelectedSegment(0); // as a failed open does
    });
    toggle.userSelectSegment(1);
    EXPECT_EQ(seenByAction, 1);
    EXPECT_EQ(toggle.selectedSegment(), 0);

    // Indexes outside the segments, or segments relabelled to fewer, mean none.
    toggle.setLabels({"Text", "Mixed", "Dec", "Hex"});
    toggle.setSelectedSegment(4);
    EXPECT_EQ(toggle.selectedSegment(), -1);
    toggle.setSelectedSegment(3);
    toggle.setLabels({"Off", "On"});
    EXPECT_EQ(toggle.selectedSegment(), -1);
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
    EXPECT_EQ(actions, 0);
    EXPECT_EQ(changes, 1);
}

} // namespace
