#include "expected_screen.h"

#include <chrono>
#include <sstream>
#include <vector>

#include "controller.h"
#include "platform/virtual/virtual_console.h"
#include "tool.h"

namespace {

using platform::Screen;

std::vector<int> Codes(const std::string& name) {
    const std::pair<const char*, int> arrows[] = {
        {"Up", key::kUp}, {"Down", key::kDown}, {"Left", key::kLeft}, {"Right", key::kRight}};
    for (const auto& [arrow, code] : arrows) {
        if (name == arrow) return {key::kArrowPrefix, code};
    }
    if (name == "Return") return {key::kEnter};
    if (name == "Escape") return {key::kEscape};
    return {static_cast<unsigned char>(name.at(0))};
}

// A terminal numbers its colours red 1, green 2, blue 4; the console's
// attributes the other way round.
int TerminalColour(int console_colour) {
    return ((console_colour & 4) ? 1 : 0) + (console_colour & 2) + ((console_colour & 1) ? 4 : 0) +
           (console_colour & 8);
}

bool Within(int column, int row, int left, int top, int right, int bottom) {
    return column >= left && column <= right && row >= top && row <= bottom;
}

bool ShowsBox(const Screen& screen) {
    return screen.At(16, 9).glyph == "━";
}

bool Compared(const Screen& expected, Board board, int column, int row) {
    if (board == Board::kAsDrawn) return true;
    // The box's rules, rows 9 and 20, begin two columns right of its frame.
    const int box_left = row == 9 || row == 20 ? 16 : 14;
    if (ShowsBox(expected) && Within(column, row, box_left, 9, 68, 20)) {
        return !Within(column, row, 48, 16, 55, 16);
    }
    return !Within(column, row, 4, 2, 59, 29) && !Within(column, row, 0, 2, 1, 21) &&
           !Within(column, row, 72, 8, 79, 8);
}

bool SameGlyph(const platform::Cell& wanted, const std::string& glyph) {
    if (wanted.part == platform::Cell::Part::Right) return glyph.empty() || glyph == " ";
    if (wanted.glyph == "━") return glyph == "━" || glyph == "─" || glyph == "-";
    if (wanted.glyph == "┃") return glyph == "┃" || glyph == "│" || glyph == "|";
    return glyph == wanted.glyph;
}

bool SameColour(int wanted, int shown) {
    return shown == ShownCell::kUnknown || shown == TerminalColour(wanted);
}

std::string Describe(int column, int row, const ShownCell& wanted, const ShownCell& shown) {
    std::ostringstream text;
    text << " (" << column << "," << row << ") wanted '" << wanted.glyph << "' "
         << wanted.foreground << "/" << wanted.background << " shown '" << shown.glyph << "' "
         << shown.foreground << "/" << shown.background << ";";
    return text.str();
}

// A snake whose every cell lies beside another, on the game's black, and a
// food, but for the tick after the head reached it, when the head covers it.
std::string BoardDifferences(const Shown& shown) {
    int segments = 0;
    int foods = 0;
    std::string wrong;
    const auto segment = [&](int x, int y) { return shown(2 * x, y).glyph == "●"; };
    for (int y = 2; y <= 29; ++y) {
        for (int x = 2; x <= 29; ++x) {
            const ShownCell cell = shown(2 * x, y);
            foods += cell.glyph == "★" ? 1 : 0;
            // The big food flashes on blue.
            if (cell.glyph == " " && cell.background != 0 && cell.background != 4 &&
                cell.background != ShownCell::kUnknown) {
                wrong += " a blank on " + std::to_string(cell.background);
            }
            if (!segment(x, y)) continue;
            ++segments;
            if (!segment(x - 1, y) && !segment(x + 1, y) && !segment(x, y - 1) &&
                !segment(x, y + 1)) {
                wrong += " a lone segment at (" + std::to_string(x) + "," + std::to_string(y) + ")";
            }
        }
    }
    if (segments < 3) wrong += " a snake of " + std::to_string(segments);
    if (foods > 1) wrong += " " + std::to_string(foods) + " foods";
    return wrong;
}

}  // namespace

Screen ScreenAfter(std::string_view keys) {
    platform::VirtualConsole console;
    ConsoleScope scope(console);
    std::chrono::milliseconds at{0};
    std::istringstream words{std::string(keys)};
    for (std::string word; words >> word;) {
        if (word == "later") {
            at += std::chrono::hours(1);
            continue;
        }
        for (const int code : Codes(word)) console.PushKeys({code}, at);
    }
    Controller controller;
    try {
        controller.Game();
    } catch (const platform::VirtualConsole::OutOfInput&) {
    }
    return console.screen();
}

Shown ShownBy(const Screen& screen) {
    return [&screen](int column, int row) {
        const platform::Cell& cell = screen.At(column, row);
        const bool right = cell.part == platform::Cell::Part::Right;
        return ShownCell{right ? "" : cell.glyph, TerminalColour(cell.attribute & 0xF),
                         TerminalColour((cell.attribute >> 4) & 0xF)};
    };
}

std::string Differences(const Screen& expected, const Shown& shown, Board board) {
    std::string differences;
    int count = 0;
    for (int row = 0; row < Screen::kRows; ++row) {
        for (int column = 0; column < Screen::kColumns; ++column) {
            if (!Compared(expected, board, column, row)) continue;
            const platform::Cell& wanted = expected.At(column, row);
            const ShownCell cell = shown(column, row);
            // A terminal keeps no colours of its own for the right half of a
            // wide character.
            const bool right = wanted.part == platform::Cell::Part::Right;
            if (SameGlyph(wanted, cell.glyph) &&
                (right || SameColour((wanted.attribute >> 4) & 0xF, cell.background)) &&
                (right || wanted.glyph == " " ||
                 SameColour(wanted.attribute & 0xF, cell.foreground))) {
                continue;
            }
            if (++count <= 6) {
                differences += Describe(column, row, ShownBy(expected)(column, row), cell);
            }
        }
    }
    if (count > 6) differences += " and " + std::to_string(count - 6) + " more";
    if (board == Board::kPlayed && !ShowsBox(expected)) differences += BoardDifferences(shown);
    return differences;
}
