// A point in time as the program notes it: the steady clock measures gaps and durations, the
// wall clock stamps what the user reads. Both are read together, so a stamp and a gap always
// describe the same instant. Moment::now() reads the process's clock (toolkit/Clock.h).
#pragma once

#include <chrono>

struct Moment {
    std::chrono::steady_clock::time_point steady{};
    std::chrono::system_clock::time_point wall{};

    static Moment now();

    // The same instant moved by a duration, on both clocks.
    template <typename Rep, typename Period>
    Moment operator+(std::chrono::duration<Rep, Period> by) const
    {
        return {steady + std::chrono::duration_cast<std::chrono::steady_clock::duration>(by),
                wall + std::chrono::duration_cast<std::chrono::system_clock::duration>(by)};
    }
    bool operator==(const Moment&) const = default;
};
