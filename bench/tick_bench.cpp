// How long one ordinary tick of play takes as the snake grows, and how many
// bytes the terminal is sent for the ordinary tick and the two eating ticks.
#include <benchmark/benchmark.h>

#include "bots.h"
#include "controller.h"
#include "food.h"
#include "platform/virtual_console.h"
#include "platform/vt_writer.h"
#include "snake.h"
#include "tool.h"

namespace {

constexpr int kTickMs = 135;

// The virtual console logs every sleep, and a benchmark runs millions of
// ticks.
class BenchConsole : public platform::VirtualConsole {
public:
    void Sleep(std::chrono::milliseconds) override {}
};

// Drawing goes to the terminal's byte encoder instead of the screen.
class WriterConsole : public BenchConsole {
public:
    void MoveCursor(int column, int row) override { writer.MoveCursor(column, row); }
    void SetAttribute(int attribute) override { writer.SetAttribute(attribute); }
    void Write(std::string_view text) override { writer.Write(text); }
    platform::VtWriter writer;
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

// The snake goes round the board's Hamiltonian cycle, so it can step on for
// ever at any length up to 783. The food is never placed, so no tick eats.
void OrdinaryTick(benchmark::State& state) {
    BenchConsole console;
    ConsoleScope scope(console);
    Controller controller;
    Snake snake;
    Food food;
    SetColor(6);
    snake.InitSnake();
    for (int grown = 3; grown < state.range(0); ++grown) {
        bots::SteerAlongCycle(console, snake);
        snake.ChangeDirection();
        snake.Move();
    }
    for (auto _ : state) {
        bots::SteerAlongCycle(console, snake);
        Tick(snake, food, controller);
    }
}
BENCHMARK(OrdinaryTick)->Arg(3)->Arg(200)->Arg(780);

enum class Eats { kNothing, kNormalFood, kBigFood };

// The snake heads down from (16, 8). The measured tick is its second: the
// first reaches a normal food at (16, 9) or takes it next to a big food at
// (16, 10), and leaves the encoder in the state an ongoing round has.
void TickBytes(benchmark::State& state, Eats eats) {
    WriterConsole console;
    ConsoleScope scope(console);
    Controller controller;
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Snake snake;
        Food food;
        SetColor(6);
        snake.InitSnake();
        if (eats == Eats::kNormalFood) {
            console.ScriptRandom({14, 7});
            food.DrawFood(snake);
        } else if (eats == Eats::kBigFood) {
            console.ScriptRandom({14, 8});
            food.DrawBigFood(snake);
        }
        Tick(snake, food, controller);
        console.writer.ClearBuffer();
        state.ResumeTiming();
        Tick(snake, food, controller);
        bytes = console.writer.buffer().size();
    }
    state.counters["bytes_per_tick"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(TickBytes, ordinary, Eats::kNothing);
BENCHMARK_CAPTURE(TickBytes, normal_food, Eats::kNormalFood);
BENCHMARK_CAPTURE(TickBytes, big_food, Eats::kBigFood);

}  // namespace
