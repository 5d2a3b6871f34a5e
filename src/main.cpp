#include <cstdio>

#include "controller.h"
#include "platform/console.h"
#include "tool.h"

int main() {
    std::string why_not;
    const auto console = platform::OpenSystemConsole(why_not);
    if (!console) {
        std::fprintf(stderr, "wendlecrux-snake: %s; it needs an interactive terminal.\n",
                     why_not.c_str());
        return 1;
    }
    ConsoleScope scope(*console);
    try {
        Controller controller;
        controller.Game();
    } catch (const platform::QuitRequested&) {
        return 0;
    } catch (const platform::InputClosed&) {
        // The player's terminal is gone; there is nothing left to show or ask.
        return 1;
    }
    return 0;
}
