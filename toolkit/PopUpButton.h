// Model of a pop-up button: an ordered list of item titles with at most one selected.
// Indexes count from 0; -1 means no item is selected (an empty pop-up, or none chosen).
#pragma once

#include "toolkit/Control.h"

#include <string>
#include <vector>

class PopUpButton : public Control {
public:
    void removeAllItems();
    // Appends an item. Like the desktop pop-ups it models, the first item of an empty
    // pop-up becomes selected, so a filled pop-up always shows a choice.
    void addItemWithTitle(const std::string& title);
    // An index outside the items selects nothing (-1). Selecting what is selected tells no one.
    void selectItemAtIndex(int index);
    // Selects the first item with that title; no such item leaves the selection alone.
    void selectItemWithTitle(const std::string& title);

    int indexOfSelectedItem() const { return selected_; }
    // Empty when nothing is selected.
    std::string titleOfSelectedItem() const;
    int numberOfItems() const { return static_cast<int>(items_.size()); }
    const std::string& itemTitleAtIndex(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& itemTitles() const { return items_; }

    // Optional text a widget shows while the pop-up has no items.
    void setPlaceholder(std::string text);
    const std::string& placeholder() const { return placeholder_; }

private:
    std::vector<std::string> items_;
    int selected_ = -1;
    std::string placeholder_;
};
