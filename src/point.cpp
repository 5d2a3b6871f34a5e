#include "point.h"

#include "tool.h"

void Point::Move(int new_x, int new_y) {
    x = new_x;
    y = new_y;
}

void Point::PrintH() const {
    PrintAt(x, y, "■");
}

void Point::PrintO() const {
    PrintAt(x, y, "●");
}

void Point::PrintN() const {
    PrintAt(x, y, "  ");
}
