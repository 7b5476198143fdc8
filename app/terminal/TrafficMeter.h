// When a window redraws its byte counts (received, sent, captured). Counts that run with a
// stream are redrawn once a second, as a rate meter is: at every tick they would cost the
// window about as much as redrawing the receive view. The last count is always shown.
#pragma once

#include "toolkit/Moment.h"

#include <array>
#include <cstdint>

class TrafficMeter {
public:
    using Counts = std::array<std::uint64_t, 3>; // received, sent, captured
    enum class Verdict {
        Same, // nothing to redraw
        Show, // redraw now (the meter takes these counts as shown)
        Wait, // changed, but shown less than a second ago: the ticks must go on to show it
    };

    // paced: the counts have a redraw of their own; without it they go with the whole state,
    // which is redrawn whenever it changes.
    Verdict look(const Counts& counts, bool paced, const Moment& now);

private:
    Counts shown_{};
    Moment shownAt_;
};
