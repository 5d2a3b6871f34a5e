// How long one ordinary tick of play takes as the snake grows, drawing into
// the screen record.
#include <benchmark/benchmark.h>

#include "bots.h"
#include "controller.h"
#include "food.h"
#include "platform/virtual_console.h"
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

}  // namespace
