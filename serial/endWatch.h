// Ends a descriptor watch held in a member, if any, and empties the member first: the watch's
// end may call back into whoever holds it, and must find the member already empty.
#pragma once

#include "toolkit/ReadWatch.h"

#include <memory>

inline void endWatch(std::shared_ptr<ReadWatch>& watch)
{
    if (const std::shared_ptr<ReadWatch> ending = std::move(watch))
        ending->invalidate();
}
