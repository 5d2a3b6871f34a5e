// A small program that puts the terminal into the game's mode, draws a little
// and waits for keys, for tests that need to see what a real terminal is left
// with. Its argument says how it ends: "wait" at a q, "throw", "terminate"
// or "overflow" the way their names say.
#include <sys/prctl.h>

#include <climits>
#include <exception>
#include <stdexcept>
#include <string_view>

#include "main.h"
#include "tool.h"

namespace {

// Keeps each frame alive until the call below it returns, so that no
// optimisation turns the descent into a loop.
long Descend(long depth, volatile char* above) {
    volatile char frame[256] = {};
    frame[0] = above[0];
    return depth == 0 ? 0 : Descend(depth - 1, frame) + frame[0];
}

}  // namespace

int main(int argc, char** argv) {
    // The crashes here are on purpose; nobody wants their cores.
    ::prctl(PR_SET_DUMPABLE, 0);
    const std::string_view mode = argc > 1 ? argv[1] : "wait";
    return RunOnSystemConsole([&] {
        HideCursor();
        SetColor(14);
        SetCursorPosition(3, 3);
        Print("●");
        Sleep(0);
        if (mode == "throw") throw std::runtime_error("the probe gave up\non purpose");
        if (mode == "terminate") std::terminate();
        if (mode == "overflow") Descend(LONG_MAX, argv[0]);
        if (mode == "wait") {
            while (ReadKey() != 'q') Print("key!");
        }
    });
}
