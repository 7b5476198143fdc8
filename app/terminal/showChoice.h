// Shows a setting in its pop-up when the setting may lie outside the pop-up's own entries
// (a rate or character format set through a dialog).
#pragma once

#include <string>
#include <vector>

class PopUpButton;

// Selects `title` in a pop-up whose own entries are `standard`. A title not among them is
// shown as one extra entry at the end, which goes again once a standard title is shown.
// A pop-up not filled yet is left alone.
void showChoice(PopUpButton& popUp, const std::vector<std::string>& standard, const std::string& title);
