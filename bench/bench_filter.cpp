// Display filter and escape decoder over a full receive buffer: 2047 random byte values,
// the most a view ever redraws on one tick. Aim: at most 50 us per call in every mode.
#include "app/decode.h"
#include "app/filterString.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <random>
#include <vector>

namespace {

// On a shared machine the fastest repetition is the best estimate of the code's own cost.
double fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

std::u16string receiveBuffer()
{
    std::mt19937 random(2047);
    std::uniform_int_distribution<int> byte(0x00, 0xFF);
    std::u16string text(2047, u'\0');
    for (char16_t& unit : text)
        unit = static_cast<char16_t>(byte(random));
    return text;
}

// decode() writes two log lines per call; timing the terminal or a pipe would swamp the
// decoder. Points standard output at /dev/null while alive, so the figures still include
// the two write() calls but not what a reader makes of them.
class StdoutToNull {
public:
    StdoutToNull()
    {
        std::cout.flush();
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::close(null);
        }
    }
    ~StdoutToNull()
    {
        if (saved_ >= 0) {
            ::dup2(saved_, STDOUT_FILENO);
            ::close(saved_);
        }
    }
    StdoutToNull(const StdoutToNull&) = delete;
    StdoutToNull& operator=(const StdoutToNull&) = delete;

private:
    int saved_ = -1;
};

void BM_filterString(benchmark::State& state)
{
    const std::u16string text = receiveBuffer();
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(filterString(text, mode));
}
BENCHMARK(BM_filterString)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);

void BM_decodeHex(benchmark::State& state)
{
    const AttributedText rendered = filterString(receiveBuffer(), 3);
    const StdoutToNull quiet;
    for (auto _ : state)
        benchmark::DoNotOptimize(decode(rendered, 3));
}
BENCHMARK(BM_decodeHex)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);

} // namespace

BENCHMARK_MAIN();
