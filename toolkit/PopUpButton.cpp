#include "toolkit/PopUpButton.h"

#include <algorithm>

void PopUpButton::removeAllItems()
{
    items_.clear();
    selected_ = -1;
    changed();
}

void PopUpButton::addItemWithTitle(const std::string& title)
{
    items_.push_back(title);
    if (selected_ < 0)
        selected_ = 0;
    changed();
}

void PopUpButton::selectItemAtIndex(int index)
{
    const int selected = (index >= 0 && index < numberOfItems()) ? index : -1;
    if (selected == selected_)
        return;
    selected_ = selected;
    changed();
}

void PopUpButton::selectItemWithTitle(const std::string& title)
{
    const auto it = std::find(items_.begin(), items_.end(), title);
    if (it != items_.end())
        selectItemAtIndex(static_cast<int>(it - items_.begin()));
}

std::string PopUpButton::titleOfSelectedItem() const
{
    return selected_ < 0 ? std::string() : items_[static_cast<std::size_t>(selected_)];
}

void PopUpButton::setPlaceholder(std::string text)
{
    placeholder_ = std::move(text);
    changed();
}
