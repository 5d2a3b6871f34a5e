#pragma once

#include <vector>

#include "point.h"

// The board's cells: its wall on the first and last column and row, the
// playable cells, where the snake and the food are, between them.
constexpr int kWallFirst = 1;
constexpr int kWallLast = 30;
constexpr int kFirstPlayable = kWallFirst + 1;
constexpr int kLastPlayable = kWallLast - 1;

// The wall around the board, drawn once before each round so that it is seen
// to grow: the top edge, then both sides together, then the bottom edge.
class Map {
public:
    Map();
    void PrintMap() const;

private:
    std::vector<Point> border;
};
