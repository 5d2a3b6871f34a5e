#pragma once

#include <vector>

#include "platform/windows/presenter.h"
#include "platform/windows/state.h"

namespace platform {

COORD Coord(int column, int row);
SMALL_RECT WindowAtOrigin(int columns, int rows);

// Gives the console's buffer `size` and its window `window`. The window must
// fit in the buffer at every step: it first shrinks to fit both, then the
// buffer takes its size, then the window its own, which fails harmlessly on a
// display too small for it.
void ResizeConsole(HANDLE output, COORD size, const SMALL_RECT& window);

// What the console gives a glyph, measured on a scratch buffer.
ConsoleWidths MeasureWidths(HANDLE output);

// The console's screen buffer through the API, cells written in place.
class ScreenBuffer : public ConsoleOutput {
public:
    explicit ScreenBuffer(HANDLE output) : output_(output) {}

    void WriteCells(int column, int row, const std::vector<ConsoleCell>& cells) override;
    // As cls does, the whole buffer: before the window takes the game's size
    // it holds the shell's text beyond the game's cells.
    void Clear() override;
    // Visibility changes alone, the cursor's size left as it is: wine keeps
    // drawing a caret that was hidden in the same call that changed its size.
    void PlaceCursor(const Cursor& cursor) override;

private:
    void SetVisible(bool visible);

    HANDLE output_;
    COORD at_{-1, -1};
    // The console state hid it first thing.
    bool shown_ = false;
};

}  // namespace platform
