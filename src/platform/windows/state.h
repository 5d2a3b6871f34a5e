#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <mutex>

namespace platform {

// The Windows console as the game found it: its modes, buffer and window,
// colour, cursor and title. The one place that puts it back, on destruction
// and when Ctrl+C, Ctrl+Break or closing the window ends the process, which
// Windows reports on a thread of its own. Only one exists at a time.
class ConsoleState {
public:
    // Notes what it finds, then sets the modes the game reads and writes in.
    ConsoleState(HANDLE input, HANDLE output);
    ~ConsoleState();
    ConsoleState(const ConsoleState&) = delete;
    ConsoleState& operator=(const ConsoleState&) = delete;

    // Held by every call that changes the console. The control handler takes
    // it for good: once the console is put back, the game must not draw over
    // it in the moment before the process ends.
    static std::mutex& Lock();
};

}  // namespace platform
