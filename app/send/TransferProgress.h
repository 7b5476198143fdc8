// How far a file send or receive has got, as the progress bar and its text show it: bytes
// done of the total (when known), the rate over the last few seconds, and the time left at
// that rate. Rates are measured on the process's clock, so tests can advance it.
#pragma once

#include "toolkit/Moment.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

struct TransferProgress {
    std::uint64_t done = 0;
    std::optional<std::uint64_t> total;
    double bytesPerSecond = 0;
    std::optional<std::chrono::seconds> left;
    std::chrono::steady_clock::duration elapsed{};

    // "1.5 MB of 4.2 MB, 350 kB/s, 8 s left"; parts not known are left out.
    std::string describe() const;
};

class RateMeter {
public:
    // The rate is what was done over about this long.
    static constexpr std::chrono::seconds window{3};

    // Starts timing now.
    void start();
    // Notes the bytes done so far and answers the progress they make.
    TransferProgress note(std::uint64_t done, std::optional<std::uint64_t> total);

private:
    std::chrono::steady_clock::time_point started_{};
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::uint64_t>> samples_;
};

// "4.2 MB", "350 kB", "12 bytes": decimal units, as file managers show sizes.
std::string describeBytes(std::uint64_t bytes);
