// A small program that puts the terminal into the game's mode and then waits,
// for tests that need to see what a real terminal is left with.
#include <unistd.h>

#include <cstring>

#include "platform/terminal.h"
#include "tool.h"

int main(int argc, char** argv) {
    const bool read_number = argc > 1 && std::strcmp(argv[1], "number") == 0;
    platform::Terminal terminal(STDIN_FILENO, STDOUT_FILENO);
    ConsoleScope scope(terminal);
    HideCursor();
    SetColor(14);
    SetCursorPosition(3, 3);
    Print("●");
    if (read_number) return TheConsole().ReadInt() & 0xFF;
    for (;;) ReadKey();
}
