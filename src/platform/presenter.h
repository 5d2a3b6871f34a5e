#pragma once

#include <vector>

#include "platform/screen.h"

namespace platform {

// Brings a real screen up to date with a record of what it should show,
// sending only the cells that differ from what it already shows. Subclasses
// know how to draw a cell on their kind of console.
class Presenter {
public:
    virtual ~Presenter() = default;

    // Draws every changed cell of `wanted` that the console does not already
    // show, then marks `wanted` as presented.
    void Present(Screen& wanted);
    // What the console shows is no longer known (it was resized, or the
    // process was suspended): the next Present draws every cell.
    void Forget();

protected:
    // Draws one whole glyph: a cell, or the left cell of a wide character.
    virtual void Draw(int column, int row, const Cell& cell) = 0;
    // Before the first Draw of a Present that follows Forget.
    virtual void StartOver() {}

private:
    Cell& ShownAt(int column, int row);
    bool Shows(int column, int row, const Cell& cell);
    void Record(int column, int row, const Cell& cell);

    // What the console shows, cell by cell.
    std::vector<Cell> shown_ = std::vector<Cell>(Screen::kCells);
    bool forgotten_ = true;
};

}  // namespace platform
