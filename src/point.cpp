#include "point.h"

#include "tool.h"

void Point::Move(int new_x, int new_y) {
    x = new_x;
    y = new_y;
}

void Point::PrintAt(const char* glyph) const {
    ::PrintAt(x, y, glyph);
}

void Point::PrintH() const {
    PrintAt("■");
}

void Point::PrintO() const {
    PrintAt("●");
}

void Point::PrintN() const {
    PrintAt("  ");
}
