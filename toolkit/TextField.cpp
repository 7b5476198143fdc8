#include "toolkit/TextField.h"

void TextField::setStringValue(std::string value)
{
    if (value == value_)
        return;
    value_ = std::move(value);
    changed();
}
