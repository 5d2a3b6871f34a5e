#include "platform/presenter.h"

#include <algorithm>

namespace platform {

namespace {

// Never equal to a cell of the record: what the console shows there is not
// known.
const Cell kUnknown{"", -1, Cell::Part::Single};

// A blank shows only its background; its foreground is invisible.
bool LookAlike(const Cell& a, const Cell& b) {
    if (a.glyph != b.glyph || a.part != b.part) return false;
    if (a.glyph == " ") return (a.attribute & 0xF0) == (b.attribute & 0xF0);
    return a.attribute == b.attribute;
}

}  // namespace

Cell& Presenter::ShownAt(int column, int row) {
    return shown_[static_cast<std::size_t>(row) * Screen::kColumns + column];
}

bool Presenter::Shows(int column, int row, const Cell& cell) {
    if (!LookAlike(ShownAt(column, row), cell)) return false;
    return cell.part != Cell::Part::Left || ShownAt(column + 1, row).part == Cell::Part::Right;
}

// Overwriting half of a wide character makes the console blank or garble its
// other half, so that half is no longer known.
void Presenter::Record(int column, int row, const Cell& cell) {
    const int after = column + (cell.part == Cell::Part::Left ? 2 : 1);
    if (ShownAt(column, row).part == Cell::Part::Right && column > 0) {
        ShownAt(column - 1, row) = kUnknown;
    }
    if (after < Screen::kColumns && ShownAt(after, row).part == Cell::Part::Right) {
        ShownAt(after, row) = kUnknown;
    }
    ShownAt(column, row) = cell;
    if (cell.part == Cell::Part::Left) {
        ShownAt(column + 1, row) = Cell{"", cell.attribute, Cell::Part::Right};
    }
}

void Presenter::Present(Screen& wanted, const Cursor& cursor) {
    if (track_lost_) {
        std::fill(shown_.begin(), shown_.end(), kUnknown);
        wanted.MarkAllChanged();
        BeginFullRedraw();
        track_lost_ = false;
    }
    if (wanted.AnyChanged()) DrawChanges(wanted);
    PlaceCursor(cursor);
}

void Presenter::DrawChanges(Screen& wanted) {
    for (int row = 0; row < Screen::kRows; ++row) {
        Screen::Span span = wanted.Changed(row);
        if (span.first > span.last) continue;
        if (wanted.At(span.first, row).part == Cell::Part::Right) --span.first;
        for (int column = span.first; column <= span.last; ++column) {
            const Cell& cell = wanted.At(column, row);
            if (cell.part == Cell::Part::Right || Shows(column, row, cell)) continue;
            Draw(column, row, cell);
            Record(column, row, cell);
        }
    }
    wanted.MarkPresented();
}

}  // namespace platform
