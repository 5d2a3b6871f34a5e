#pragma once

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

#include "platform/console.h"
#include "tool.h"

// Runs `game` on the system console and returns the process's exit status:
// 0 when the game or the player ends it, 1 when there is no terminal to play
// on, the terminal went away, or an exception escaped, which is reported in
// one line once the terminal is back as it was.
inline int RunOnSystemConsole(const std::function<void()>& game) {
    std::string why_not;
    auto console = platform::OpenSystemConsole(why_not);
    if (!console) {
        std::fprintf(stderr, "wendlecrux-snake: %s; it needs an interactive terminal.\n",
                     why_not.c_str());
        return 1;
    }
    std::string failure;
    try {
        ConsoleScope scope(*console);
        game();
        return 0;
    } catch (const platform::QuitRequested&) {
        return 0;
    } catch (const platform::InputClosed&) {
        // The player's terminal is gone; there is nothing left to show or ask.
        return 1;
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "an exception of unknown type";
    }
    console.reset();
    std::replace_if(
        failure.begin(), failure.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    std::fprintf(stderr, "wendlecrux-snake: %s\n", failure.c_str());
    return 1;
}
