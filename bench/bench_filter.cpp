// Display filter and escape decoder over a full receive buffer: 2047 random byte values,
// the most a view ever redraws on one tick. Aim: at most 50 us per call in every mode, in
// Latin-1 and in UTF-8 (there also over text that is mostly well-formed UTF-8).
#include "app/text/decode.h"
#include "app/text/filterString.h"
#include "bench/QuietStdout.h"

#include <benchmark/benchmark.h>


#include <algorithm>
#include <cstdio>
#include <random>
#include <string_view>
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

// What a device printing UTF-8 sends: words, accented and CJK letters, emoji, now and then a
// stray byte, cut anywhere at the ends like the buffer is.
std::u16string utf8Buffer()
{
    static const std::string_view pieces[] = {"ready ", "t=21.5\xC2\xB0" "C ", "caf\xC3\xA9 ", "\xE2\x82\xAC ",
                                              "\xE6\x97\xA5\xE6\x9C\xAC ", "\xF0\x9F\x98\x80", "\r\n", "\xFF"};
    std::mt19937 random(8);
    std::u16string text;
    while (text.size() < 2047) {
        for (const char byte : pieces[random() % std::size(pieces)])
            text.push_back(static_cast<unsigned char>(byte));
    }
    return text.substr(1, 2047);
}

// Range 0: the view; range 1: text that is mostly UTF-8 (0) or random bytes (1).
void BM_filterStringUtf8(benchmark::State& state)
{
    const std::u16string text = state.range(1) == 0 ? utf8Buffer() : receiveBuffer();
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(filterString(text, mode, TextEncodingUtf8));
}
BENCHMARK(BM_filterStringUtf8)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);

// The text view's undecodable bytes are runs of their own, the most runs the decoder meets.
void BM_decodeUtf8(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const AttributedText rendered = filterString(state.range(1) == 0 ? utf8Buffer() : receiveBuffer(), mode, TextEncodingUtf8);
    const QuietStdout quiet;
    for (auto _ : state)
        benchmark::DoNotOptimize(decode(rendered, mode, TextEncodingUtf8));
}
BENCHMARK(BM_decodeUtf8)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);

} // namespace

BENCHMARK_MAIN();
