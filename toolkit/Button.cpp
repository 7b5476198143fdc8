#include "toolkit/Button.h"

void Button::setTitle(std::string title)
{
    title_ = std::move(title);
    changed();
}

void Button::setKeyEquivalent(std::string keys)
{
    keyEquivalent_ = std::move(keys);
    changed();
}
