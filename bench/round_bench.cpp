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
#include "food.h"
#include "food_seeker.h"
#include "platform/virtual/virtual_console.h"
#include "platform/terminal/vt_presenter.h"
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
    }
    platform::Screen& record() { return this->mutable_screen(); }

    platform::VtPresenter presenter;
    std::vector<std::size_t> frames;
};

// One tick of a round, in the round's order, for a snake that stays alive.
void Tick(Snake& snake, Food& food, Controller& controller) {
    benchmark::DoNotOptimize(snake.OverEdge() && snake.HitItself());
    snake.ChangeDirection();
    if (snake.GetFood(food)) {
        snake.Move();
        controller.UpdateScore(1);
        food.DrawFood(snake);
    } else {
        snake.NormalMove();
    }
    if (snake.GetBigFood(food)) {
        snake.Move();
        controller.UpdateScore(food.GetProgressBar() / 10 + 1);
    }
    if (food.GetBigFlag()) food.FlashBigFood();
    Sleep(kTickMs);
}

enum class Eats { kNothing, kNormalFood, kBigFoodNearby, kBigFood };

// The snake heads down from (16, 8). The measured tick is its second: the
// first reaches a normal food at (16, 9) or the big food at (16, 10), or
// passes a big food far away, and leaves the terminal as an ongoing round
// has it.
void TickBytes(benchmark::State& state, Eats eats) {
    Presented<platform::VirtualConsole> console;
    ConsoleScope scope(console);
    Controller controller;
    for (auto _ : state) {
        Snake snake;
        Food food;
        SetColor(6);
        snake.InitSnake();
        if (eats == Eats::kNormalFood) {
            console.ScriptRandom({14, 7});
            food.DrawFood(snake);
        } else if (eats != Eats::kNothing) {
            console.ScriptRandom(eats == Eats::kBigFood ? std::initializer_list<int>{14, 8}
                                                        : std::initializer_list<int>{1, 1});
            food.DrawBigFood(snake);
        }
        Tick(snake, food, controller);
        Tick(snake, food, controller);
    }
    state.counters["bytes"] = static_cast<double>(console.frames.back());
    state.counters["writes"] = console.frames.back() > 0 ? 1 : 0;
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

// The virtual console logs every sleep, and a benchmark runs millions of
// ticks.
class QuietConsole : public platform::VirtualConsole {
public:
    void Sleep(std::chrono::milliseconds) override {}
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

// The drawing of an ordinary tick, into the record. The food is never
// placed, so no tick eats.
void OrdinaryTick(benchmark::State& state) {
    QuietConsole console;
    ConsoleScope scope(console);
    Controller controller;
    Snake snake = SnakeOnTheCycle(console, static_cast<int>(state.range(0)));
    Food food;
    for (auto _ : state) {
        SteerAlongCycle(console, snake);
        Tick(snake, food, controller);
    }
}
BENCHMARK(OrdinaryTick)->Arg(3)->Arg(200)->Arg(780);

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
