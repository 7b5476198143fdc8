// The stamps a received history writes: the text capture's local date and time to the
// millisecond, and the time of day alone for the view's narrow gutter. The local time of the
// last second is kept, since a log's lines come many to a second.
#pragma once

#include <chrono>
#include <string>

class StampText {
public:
    // "2026-12-07 18:04:05.123", as a text capture stamps its lines.
    void appendDateTime(std::string& out, std::chrono::system_clock::time_point wall);
    // "18:04:05.123"
    void appendTime(std::string& out, std::chrono::system_clock::time_point wall);

private:
    // The milliseconds of wall past its second, once that second's local "YYYY-MM-DD HH:MM:SS"
    // is in dateTime_.
    long long millisIntoSecond(std::chrono::system_clock::time_point wall);

    long long second_ = -1;
    std::string dateTime_;
};
