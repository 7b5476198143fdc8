#include "toolkit/Control.h"

void Control::setToolTip(std::string text)
{
    toolTip_ = std::move(text);
    changed();
}

void Control::sendAction()
{
    if (action_)
        action_(*this);
}

void Control::changed()
{
    if (observer_)
        observer_();
}
