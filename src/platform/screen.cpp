#include "platform/screen.h"

#include <algorithm>
#include <utility>

#include "platform/text.h"

namespace platform {

Screen::Screen() : cells_(kCells) {
    MarkAllChanged();
}

void Screen::Clear() {
    cells_.assign(kCells, Cell{});
    MarkAllChanged();
}

const Cell& Screen::At(int column, int row) const {
    return cells_[static_cast<std::size_t>(row) * kColumns + column];
}

Cell& Screen::MutableAt(int column, int row) {
    return cells_[static_cast<std::size_t>(row) * kColumns + column];
}

void Screen::MarkAllChanged() {
    changed_.fill(Span{0, kColumns - 1});
    any_changed_ = true;
}

void Screen::MarkPresented() {
    if (any_changed_) changed_.fill(Span{kColumns, -1});
    any_changed_ = false;
}

void Screen::MarkChanged(int row, int first, int last) {
    any_changed_ = true;
    Span& span = changed_[static_cast<std::size_t>(row)];
    span.first = std::min(span.first, std::max(first, 0));
    span.last = std::max(span.last, std::min(last, kColumns - 1));
}

// Frees one cell for new text: the half of a wide character left behind turns
// into a blank in that character's colour.
void Screen::Vacate(int column, int row) {
    Cell& cell = MutableAt(column, row);
    if (cell.part == Cell::Part::Left && column + 1 < kColumns) {
        MutableAt(column + 1, row) = Cell{" ", cell.attribute, Cell::Part::Single};
    } else if (cell.part == Cell::Part::Right && column > 0) {
        Cell& left = MutableAt(column - 1, row);
        left = Cell{" ", left.attribute, Cell::Part::Single};
    }
    cell = Cell{};
}

int Screen::Put(int column, int row, std::string_view text, int attribute) {
    const int start = column;
    while (!text.empty()) {
        const Utf8Char c = DecodeUtf8(text);
        std::string glyph(text.substr(0, c.length));
        text.remove_prefix(c.length);
        const int width = CharWidth(c.code);
        if (row < 0 || row >= kRows || column < 0 || column + width > kColumns) {
            column += width;
            continue;
        }
        for (int i = 0; i < width; ++i) Vacate(column + i, row);
        if (width == 1) {
            MutableAt(column, row) = Cell{std::move(glyph), attribute, Cell::Part::Single};
        } else {
            MutableAt(column, row) = Cell{std::move(glyph), attribute, Cell::Part::Left};
            MutableAt(column + 1, row) = Cell{"", attribute, Cell::Part::Right};
        }
        column += width;
    }
    // Vacating may have touched the cell on either side.
    if (row >= 0 && row < kRows && column > start) MarkChanged(row, start - 1, column);
    return column;
}

}  // namespace platform
