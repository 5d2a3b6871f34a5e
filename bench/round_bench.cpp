// How long a tick of play takes as the snake grows; what the terminal is
// sent, in bytes and writes, for the ticks of a round; and what presenting
// costs. The game's drawing goes into the screen record and is presented at
// every sleep, as the terminal backend does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "bot.h"
#include "controller.h"
#include "food_seeker.h"
#include "platform/terminal/vt_presenter.h"
#include "platform/virtual/virtual_console.h"
#include "snake.h"
#include "tool.h"

namespace {

constexpr int kTickMs = 135;
constexpr platform::Cursor kHidden{0, 0, false};

// Presents the record at every sleep and keeps the size of each frame.
template <typename Base>
class Presented : public Base {
public:
    using Base::Base;
    void Sleep(std::chrono::milliseconds) override {
        presenter.Present(this->mutable_screen(), kHidden);
        frames.push_back(presenter.TakeBytes().size());
        if (frames.size() == stop_after) throw platform::VirtualConsole::OutOfInput();
    }
    platform::Screen& record() { return this->mutable_screen(); }

    platform::VtPresenter presenter;
    std::vector<std::size_t> frames;
    // Ends the round at this sleep, where there is enough to measure.
    std::size_t stop_after = 0;
};

enum class Eats { kNothing, kNormalFood, kBigFoodNearby, kBigFood };

// The snake heads down from (16, 8), 100 ms a tick. The measured tick is the
// second of a round: the first leaves the terminal as an ongoing round has
// it. Or, for the big food, foods straight down column 16 in rows 10 to 18
// bring one in tick 9, which the snake reaches in tick 12, or which flashes
// far away.
void TickBytes(benchmark::State& state, Eats eats) {
    std::vector<std::size_t> frames;
    for (auto _ : state) {
        Presented<platform::VirtualConsole> console;
        ConsoleScope scope(console);
        const auto place = [&console](int x, int y) { console.ScriptRandom({x - 2, y - 2}); };
        std::size_t measured = 2;
        if (eats == Eats::kNothing) place(3, 3);
        if (eats == Eats::kNormalFood) place(16, 9);
        if (eats == Eats::kBigFoodNearby || eats == Eats::kBigFood) {
            for (int row : {10, 12, 14, 16, 18}) place(16, row);
            place(eats == Eats::kBigFood ? 16 : 3, eats == Eats::kBigFood ? 20 : 3);
            place(3, 4);
            measured = 12;
        }
        console.stop_after = measured;
        Controller controller;
        controller.tick_ms = 100;
        try {
            controller.PlayGame();
        } catch (const platform::VirtualConsole::OutOfInput&) {
        }
        frames = console.frames;
    }
    state.counters["bytes"] = static_cast<double>(frames.back());
    state.counters["writes"] = frames.back() > 0 ? 1 : 0;
}
BENCHMARK_CAPTURE(TickBytes, ordinary, Eats::kNothing)->Iterations(1);
BENCHMARK_CAPTURE(TickBytes, eats_normal_food, Eats::kNormalFood)->Iterations(1);
BENCHMARK_CAPTURE(TickBytes, big_food_flashing, Eats::kBigFoodNearby)->Iterations(1);
BENCHMARK_CAPTURE(TickBytes, eats_big_food, Eats::kBigFood)->Iterations(1);

// A round of the bot that steers toward the food, from its start to 40 ticks
// after its third big food, when that one is gone for sure. The empty board
// is on the terminal before it starts, as the game screen leaves it.
class ThreeBigFoods : public Presented<FoodSeeker> {
public:
    ThreeBigFoods() { presenter.Present(record(), kHidden); }
    void Write(std::string_view text) override {
        const bool full_bar = cursor().column == 0 && cursor().row == 2 && text == "●";
        Presented::Write(text);
        if (full_bar && ++big_foods == 3) last_tick = frames.size() + 40;
    }
    void Sleep(std::chrono::milliseconds duration) override {
        Presented::Sleep(duration);
        if (frames.size() == last_tick) throw OutOfInput();
    }
    int big_foods = 0;
    std::size_t last_tick = 0;
};

void RoundWithThreeBigFoods(benchmark::State& state) {
    std::vector<std::size_t> frames;
    for (auto _ : state) {
        ThreeBigFoods bot;
        ConsoleScope scope(bot);
        Controller controller;
        try {
            controller.PlayGame();
        } catch (const platform::VirtualConsole::OutOfInput&) {
        }
        frames = bot.frames;
    }
    std::vector<std::size_t> sorted = frames;
    std::sort(sorted.begin(), sorted.end());
    state.counters["ticks"] = static_cast<double>(frames.size());
    state.counters["p95_bytes"] = static_cast<double>(sorted[sorted.size() * 95 / 100]);
    state.counters["max_bytes"] = static_cast<double>(sorted.back());
    state.counters["mean_bytes"] =
        static_cast<double>(std::accumulate(frames.begin(), frames.end(), std::size_t{0})) /
        static_cast<double>(frames.size());
}
BENCHMARK(RoundWithThreeBigFoods)->Unit(benchmark::kMillisecond);

// The virtual console logs every sleep; counting them is enough here.
class CountingFollower : public CycleFollower {
public:
    void Sleep(std::chrono::milliseconds) override { ++ticks; }
    std::size_t ticks = 0;
};

// Queues the arrow key that keeps the snake on the cycle for its next step.
void SteerAlongCycle(platform::VirtualConsole& console, const Snake& snake) {
    const Point& head = snake.GetBody().back();
    console.PushKeys({key::kArrowPrefix, ArrowTowards(head, CycleNext(head))});
}

// Snakes up to 783 long step on for ever along the board's Hamiltonian
// cycle; `console` queues the arrow keys that keep them on it.
Snake SnakeOnTheCycle(platform::VirtualConsole& console, int length) {
    Snake snake;
    SetColor(6);
    snake.InitSnake();
    for (int grown = 3; grown < length; ++grown) {
        SteerAlongCycle(console, snake);
        snake.ChangeDirection();
        snake.Move();
    }
    return snake;
}

// The ticks of a whole round, the game's own, from a snake of three to one
// that fills the board: the bot eats each food as it comes.
void RoundThatFillsTheBoard(benchmark::State& state) {
    std::size_t ticks = 0;
    for (auto _ : state) {
        CountingFollower bot;
        ConsoleScope scope(bot);
        Controller controller;
        benchmark::DoNotOptimize(controller.PlayGame());
        ticks = bot.ticks;
    }
    state.counters["ticks"] = static_cast<double>(ticks);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * ticks));
}
BENCHMARK(RoundThatFillsTheBoard)->Unit(benchmark::kMillisecond);

// One present after an ordinary tick of a snake `state.range(0)` long, going
// round the board's Hamiltonian cycle; with range(1) set, as if every cell
// had to be scanned.
void PresentAfterTick(benchmark::State& state) {
    Presented<platform::VirtualConsole> console;
    ConsoleScope scope(console);
    Snake snake = SnakeOnTheCycle(console, static_cast<int>(state.range(0)));
    console.presenter.Present(console.record(), kHidden);
    for (auto _ : state) {
        state.PauseTiming();
        SteerAlongCycle(console, snake);
        snake.ChangeDirection();
        snake.NormalMove();
        if (state.range(1) != 0) console.record().MarkAllChanged();
        console.presenter.TakeBytes();
        state.ResumeTiming();
        console.presenter.Present(console.record(), kHidden);
    }
}
BENCHMARK(PresentAfterTick)->Args({3, 0})->Args({780, 0})->Args({780, 1});

}  // namespace
