#include "toolkit/PopUpButton.h"

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

} // namespace
