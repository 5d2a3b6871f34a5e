#include <unistd.h>

#include <cstdio>

#include "platform/terminal.h"
#include "tool.h"

int main() {
    const std::string why = platform::Terminal::WhyUnusable(STDIN_FILENO, STDOUT_FILENO);
    if (!why.empty()) {
        std::fprintf(stderr, "wendlecrux-snake: %s; it needs an interactive terminal.\n",
                     why.c_str());
        return 1;
    }
    platform::Terminal terminal(STDIN_FILENO, STDOUT_FILENO);
    ConsoleScope scope(terminal);
    HideCursor();
    SetWindowSize(41, 32);
    return 0;
}
