#include "app/terminal/TrafficMeter.h"

TrafficMeter::Verdict TrafficMeter::look(const Counts& counts, bool paced, const Moment& now)
{
    if (counts == shown_)
        return Verdict::Same;
    if (paced && now.steady - shownAt_.steady < std::chrono::seconds(1))
        return Verdict::Wait;
    shown_ = counts;
    shownAt_ = now;
    return Verdict::Show;
}
