// How fast the key decoder turns what a terminal sends into key codes: typed
// keys, arrows, characters beyond ASCII and a terminal's replies, in the
// amounts a paste brings.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "platform/terminal/key_decoder.h"

namespace {

using platform::KeyDecoder;

std::string Input(std::size_t size) {
    const std::string mix =
        "snake\r\x1b[A\x1b[B\x1bOC\x1b[1;5D郖蛇é\x1b]11;rgb:0000/0000/0000\x1b\\\x1b[M HP\t";
    std::string input;
    while (input.size() < size) input += mix;
    return input;
}

void DecodeAPaste(benchmark::State& state) {
    const std::string input = Input(1 << 20);
    const KeyDecoder::Clock::time_point now{std::chrono::hours(1)};
    for (auto _ : state) {
        KeyDecoder decoder;
        // As the terminal reads it: a small buffer at a time, each read's
        // codes taken before the next.
        for (std::size_t at = 0; at < input.size(); at += 256) {
            decoder.Feed(std::string_view(input).substr(at, 256), now);
            while (decoder.HasCode()) benchmark::DoNotOptimize(decoder.TakeCode());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
BENCHMARK(DecodeAPaste)->Unit(benchmark::kMillisecond);

}  // namespace
