// What the terminal is sent, in bytes, for the drawing that happens every
// tick, and how long producing it takes.
#include <benchmark/benchmark.h>

#include "platform/virtual_console.h"
#include "platform/vt_presenter.h"
#include "snake.h"
#include "tool.h"

namespace {

// A virtual console whose drawing goes to the terminal's byte encoder.
class WriterConsole : public platform::VirtualConsole {
public:
    void MoveCursor(int column, int row) override { writer.MoveCursor(column, row); }
    void SetAttribute(int attribute) override { writer.SetAttribute(attribute); }
    void Write(std::string_view text) override { writer.Write(text); }
    platform::VtWriter writer;
};

void OrdinarySnakeStep(benchmark::State& state) {
    WriterConsole console;
    ConsoleScope scope(console);
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Snake snake;
        SetColor(6);
        snake.InitSnake();
        snake.NormalMove();
        console.writer.ClearBuffer();
        state.ResumeTiming();
        snake.NormalMove();
        bytes = console.writer.buffer().size();
    }
    state.counters["bytes_per_step"] = static_cast<double>(bytes);
}
BENCHMARK(OrdinarySnakeStep);

}  // namespace
