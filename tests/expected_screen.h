// What a real console should show, taken from the virtual console, where the
// unit tests hold the layout to the design: the tests of real terminals and
// consoles play the same keys and compare what they show with it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/screen.h"

// The screen once the game has taken `keys` and waits for more, or has ended.
// Keys are named as xdotool names them ("Return", "Escape", "Up", ...) or are
// single characters; after the word "later", the keys come once the game
// waits for them, long after any round has ended.
platform::Screen ScreenAfter(std::string_view keys);

// A cell as a real console shows it. A colour is an index into the 16 of a
// terminal (red 1, green 2, blue 4, bright 8), kDefault for the console's
// own, or kUnknown where the console does not say.
struct ShownCell {
    static constexpr int kDefault = -1;
    static constexpr int kUnknown = -2;
    std::string glyph;  // "" for the right half of a wide character
    int foreground = kUnknown;
    int background = kUnknown;
};
using Shown = std::function<ShownCell(int column, int row)>;

// A screen record as a console shows it.
Shown ShownBy(const platform::Screen& screen);

enum class Board {
    kAsDrawn,
    // Where the snake went and the food fell depend on time and the clock's
    // seed: the board, the big food's bar and the scores are not compared,
    // but for the inside of a game-over box, and the board must show a snake
    // of three or more cells, each beside another, and one food.
    kPlayed,
};

// The cells where `shown` differs from `expected` (at most a few), or "".
// A glyph the layout puts in two columns may be drawn in one and a blank; the
// box's lines may be drawn in the DEC set or in ASCII.
std::string Differences(const platform::Screen& expected, const Shown& shown,
                        Board board = Board::kAsDrawn);
