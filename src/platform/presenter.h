#pragma once

#include <vector>

#include "platform/screen.h"

namespace platform {

// Where the console's cursor should be once a frame is presented.
struct Cursor {
    int column = 0;
    int row = 0;
    bool shown = true;
};

// Brings a real screen up to date with a record of what it should show,
// sending only the cells that differ from what it already shows. Subclasses
// know how to draw a cell on their kind of console.
class Presenter {
public:
    virtual ~Presenter() = default;

    // Draws every changed cell of `wanted` that the console does not already
    // show, marks `wanted` as presented, then places the cursor.
    void Present(Screen& wanted, const Cursor& cursor);
    // The console may show anything now (it was resized, put back as found
    // while the process was suspended, or written to by others): what the
    // presenter knew of it is forgotten, and the next Present draws every
    // cell.
    void LoseTrack() {
        track_lost_ = true;
        Forget();
    }

protected:
    // Draws one whole glyph: a cell, or the left cell of a wide character.
    virtual void Draw(int column, int row, const Cell& cell) = 0;
    // Before the first Draw of a Present that follows LoseTrack.
    virtual void BeginFullRedraw() {}
    // Drops what the subclass assumes about the console beyond its cells.
    virtual void Forget() {}
    virtual void PlaceCursor(const Cursor& cursor) = 0;

private:
    void DrawChanges(Screen& wanted);
    Cell& ShownAt(int column, int row);
    bool Shows(int column, int row, const Cell& cell);
    void Record(int column, int row, const Cell& cell);

    // What the console shows, cell by cell.
    std::vector<Cell> shown_ = std::vector<Cell>(Screen::kCells);
    bool track_lost_ = true;
};

}  // namespace platform
