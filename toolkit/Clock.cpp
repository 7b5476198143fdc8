#include "toolkit/Clock.h"

#include <utility>

namespace {

Clock::Source& installed()
{
    static Clock::Source source;
    return source;
}

} // namespace

Moment Clock::now()
{
    if (const Source& source = installed())
        return source();
    return {std::chrono::steady_clock::now(), std::chrono::system_clock::now()};
}

Clock::Source Clock::setSource(Source source)
{
    return std::exchange(installed(), std::move(source));
}

Moment Moment::now()
{
    return Clock::now();
}
