#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "bot.h"
#include "platform/virtual/virtual_console.h"
#include "point.h"
#include "tool.h"

using platform::Screen;

inline std::string Repeat(std::string_view text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

// What grid cell (x, y) shows, and in which attribute.
inline std::string GlyphAt(const Screen& screen, int x, int y) {
    return screen.At(2 * x, y).glyph;
}
inline int AttributeAt(const Screen& screen, int x, int y) {
    return screen.At(2 * x, y).attribute;
}
// The text on console row `row` from console column `column`, `width` columns.
inline std::string TextAt(const Screen& screen, int column, int row, int width) {
    std::string text;
    for (int c = column; c < column + width; ++c) text += screen.At(c, row).glyph;
    return text;
}
inline std::string RowText(const Screen& screen, int row) {
    return TextAt(screen, 0, row, Screen::kColumns);
}
// The big-food bar: cell column 0, rows 2 to 21, from the top.
inline std::string BarAt(const Screen& screen) {
    std::string bar;
    for (int row = 2; row <= 21; ++row) bar += GlyphAt(screen, 0, row);
    return bar;
}
// The cells of the board and its border that show `glyph`, row by row.
inline std::vector<Point> CellsShowing(const Screen& screen, std::string_view glyph) {
    std::vector<Point> cells;
    for (int y = 1; y <= 30; ++y) {
        for (int x = 1; x <= 30; ++x) {
            if (GlyphAt(screen, x, y) == glyph) cells.emplace_back(x, y);
        }
    }
    return cells;
}

// A virtual console that the game draws on for the length of one test.
class GameTest : public ::testing::Test {
protected:
    const Screen& screen() const { return console.screen(); }

    // The next food placement draws cell (x, y): a draw v gives the coordinate
    // v % 28 + 2, the column first.
    void NextDrawsCell(int x, int y) { console.ScriptRandom({x - 2, y - 2}); }

    platform::VirtualConsole console;
    ConsoleScope scope{console};
};
