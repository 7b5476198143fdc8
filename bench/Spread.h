// A benchmark's figure over several runs: the median with the lowest and highest, and how
// it is printed.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace historybench {

struct Spread {
    double median = 0, low = 0, high = 0;
};

inline Spread spread(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return Spread{n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2, values.front(), values.back()};
}

// "1.23 (1.20-1.31)": the median, then the lowest and highest, with digits decimals.
inline std::string shown(const Spread& s, int digits = 2)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.*f (%.*f-%.*f)", digits, s.median, digits, s.low, digits, s.high);
    return text;
}

inline double millisSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace historybench
