#pragma once

#include <vector>

#include "point.h"

// The wall around the board, drawn once before each round so that it is seen
// to grow: the top edge, then both sides together, then the bottom edge.
class Map {
public:
    Map();
    void PrintMap() const;

private:
    std::vector<Point> border;
};
