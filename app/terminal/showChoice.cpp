#include "app/terminal/showChoice.h"

#include "toolkit/PopUpButton.h"

#include <algorithm>

void showChoice(PopUpButton& popUp, const std::vector<std::string>& standard, const std::string& title)
{
    if (popUp.numberOfItems() == 0)
        return;
    std::vector<std::string> wanted = standard;
    if (std::find(standard.begin(), standard.end(), title) == standard.end())
        wanted.push_back(title);
    if (popUp.itemTitles() != wanted) {
        popUp.removeAllItems();
        for (const std::string& item : wanted)
            popUp.addItemWithTitle(item);
    }
    popUp.selectItemWithTitle(title);
}
