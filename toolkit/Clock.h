// The process's clock: every "now" the program notes for what it shows (arrival times, gaps,
// stamps) reads it, so a test can stand still and advance time instead of waiting on it.
// Real time unless a source is installed; whoever installs one removes it before it goes.
#pragma once

#include "toolkit/Moment.h"

#include <functional>

namespace Clock {

using Source = std::function<Moment()>;

Moment now();
// Answers the source it replaces; an empty one puts back the real clock.
Source setSource(Source source);

} // namespace Clock
