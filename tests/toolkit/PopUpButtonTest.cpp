#include "toolkit/PopUpButton.h"

#include <gtest/gtest.h>

TEST(PopUpButton, KeepsItemsInOrderAndSelectsByIndexOrTitle)
{
    PopUpButton menu;
    EXPECT_EQ(menu.indexOfSelectedItem(), -1);
    EXPECT_EQ(menu.titleOfSelectedItem(), "");

    menu.addItemWithTitle("cu.b");
    menu.addItemWithTitle("cu.a");
    menu.addItemWithTitle("cu.\xc3\xa9"); // titles are UTF-8
    menu.addItemWithTitle("cu.a");
    EXPECT_EQ(menu.numberOfItems(), 4);
    EXPECT_EQ(menu.itemTitleAtIndex(2), "cu.\xc3\xa9");
    EXPECT_EQ(menu.indexOfSelectedItem(), 0) << "a filled pop-up shows its first item";

    menu.selectItemWithTitle("cu.a");
    EXPECT_EQ(menu.indexOfSelectedItem(), 1) << "the first of equal titles";
    menu.selectItemWithTitle("CU.A");
    EXPECT_EQ(menu.titleOfSelectedItem(), "cu.a") << "an unknown title changes nothing";
    menu.selectItemAtIndex(3);
    EXPECT_EQ(menu.indexOfSelectedItem(), 3);
    menu.selectItemAtIndex(4);
    EXPECT_EQ(menu.indexOfSelectedItem(), -1);
    EXPECT_EQ(menu.titleOfSelectedItem(), "");

    menu.selectItemAtIndex(0);
    menu.removeAllItems();
    EXPECT_EQ(menu.numberOfItems(), 0);
    EXPECT_EQ(menu.indexOfSelectedItem(), -1);
    menu.addItemWithTitle("again");
    EXPECT_EQ(menu.titleOfSelectedItem(), "again");
}
