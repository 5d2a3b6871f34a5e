// What a minute of play costs the machine: the built game on a
// pseudo-terminal in the 100 ms mode, taking one queued key a tick, measured
// by the scheduler's count of its time on a CPU, kernel time included. Beside
// it, the two system calls a tick needs at least, with no game between them.
#include <benchmark/benchmark.h>
#include <poll.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "pty_session.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kTick = 100ms;
constexpr auto kPlay = 20s;

// The process's time on a CPU so far.
std::chrono::nanoseconds CpuTime(pid_t pid) {
    long long nanoseconds = 0;
    std::ifstream("/proc/" + std::to_string(pid) + "/schedstat") >> nanoseconds;
    return std::chrono::nanoseconds(nanoseconds);
}

// A square the snake goes round for ever from where it starts, heading down.
std::string Route(int keys) {
    const std::string legs[] = {"\x1b[B", "\x1b[C", "\x1b[A", "\x1b[D"};
    std::string route;
    for (int key = 0; key < keys; ++key) route += legs[key / 10 % 4];
    return route;
}

void SteadyPlay(benchmark::State& state) {
    for (auto _ : state) {
        PtySession game({GAME_PATH}, {"LC_ALL=C.UTF-8", "TERM=xterm"});
        game.ReadUntil("\x1b[6n");
        // The welcome lines, the 100 ms mode, and a key for every tick.
        game.Type("\r\r\r\x1b[B\r" + Route(kPlay / kTick + 100));
        if (!game.ReadUntil("（100）")) state.SkipWithError("no round");
        game.ReadFor(1s);
        const auto before = CpuTime(game.pid());
        game.ReadFor(kPlay);
        const auto spent = CpuTime(game.pid()) - before;
        const double ticks = static_cast<double>(kPlay / kTick);
        state.counters["cpu_us_per_tick"] =
            std::chrono::duration<double, std::micro>(spent).count() / ticks;
        state.counters["cpu_ms_per_minute"] =
            std::chrono::duration<double, std::milli>(spent).count() * (60s / kPlay);
    }
}
BENCHMARK(SteadyPlay)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

std::chrono::nanoseconds ThreadCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// A frame's worth of bytes written to a pseudo-terminal that another thread
// drains, then a wait of a tick: the two calls of a tick with no game
// between them, on this thread's clock.
void TwoCallsATick(benchmark::State& state) {
    int master = -1;
    int terminal = -1;
    ::openpty(&master, &terminal, nullptr, nullptr, nullptr);
    std::atomic<bool> done{false};
    std::thread drain([&] {
        char bytes[4096];
        for (pollfd output{master, POLLIN, 0}; !done;) {
            if (::poll(&output, 1, 50) > 0) (void)!::read(master, bytes, sizeof bytes);
        }
    });
    const std::string frame = "\x1b[6D  \x1b[4C\x1b[93m\xe2\x97\x8f \x1b[?25l";
    for (auto _ : state) {
        const auto start = ThreadCpuTime();
        (void)!::write(terminal, frame.data(), frame.size());
        pollfd input{terminal, POLLIN, 0};
        ::poll(&input, 1, static_cast<int>(kTick.count()));
        state.SetIterationTime(std::chrono::duration<double>(ThreadCpuTime() - start).count());
    }
    done = true;
    drain.join();
    ::close(terminal);
    ::close(master);
}
BENCHMARK(TwoCallsATick)->Iterations(100)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
