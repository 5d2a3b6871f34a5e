// The board's Hamiltonian cycle, along which a snake can grow to fill it.
#pragma once

#include "point.h"
#include "tool.h"

inline constexpr int kPlayableCells = 28 * 28;

// A Hamiltonian cycle of the playable board: row 2 from left to right, rows 3
// to 29 back and forth over columns 3 to 29, then up column 2. Row 8 runs to
// the right, so a new snake already lies on it.
inline Point CycleNext(const Point& cell) {
    const int x = cell.GetX();
    const int y = cell.GetY();
    if (y == 2) return x < 29 ? Point(x + 1, y) : Point(x, y + 1);
    if (x == 2) return Point(x, y - 1);
    if (y % 2 == 0) return x < 29 ? Point(x + 1, y) : Point(x, y + 1);
    if (x > 3) return Point(x - 1, y);
    return y < 29 ? Point(x, y + 1) : Point(2, y);
}

// The code of the arrow key that steers from `from` onto its neighbour `to`.
inline int ArrowTowards(const Point& from, const Point& to) {
    if (to.GetX() != from.GetX()) return to.GetX() > from.GetX() ? key::kRight : key::kLeft;
    return to.GetY() > from.GetY() ? key::kDown : key::kUp;
}
