#pragma once

#include <string_view>

#include "platform/console.h"
#include "platform/keys.h"

// The game's only way to the console. Drawing is addressed by cell: cell
// (x, y) covers console columns 2x and 2x + 1 of row y.

// Makes `console` the one the game draws on for as long as it lives.
class ConsoleScope {
public:
    explicit ConsoleScope(platform::Console& console);
    ~ConsoleScope();
    ConsoleScope(const ConsoleScope&) = delete;
    ConsoleScope& operator=(const ConsoleScope&) = delete;

private:
    platform::Console* previous_;
};

platform::Console& TheConsole();

void SetCursorPosition(int x, int y);
void SetColor(int colour);
// The attribute of every menu's highlighted item: blue on light grey.
void SetBackColor();
void HideCursor();
void SetWindowSize(int cols, int lines);

void Print(std::string_view text);
// Writes `text` from cell (x, y).
void PrintAt(int x, int y, std::string_view text);
void ClearScreen();
void Sleep(int milliseconds);

bool KeyWaiting();
int ReadKey();

namespace key = platform::key;
