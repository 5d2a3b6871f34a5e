#include "map.h"

#include "tool.h"

namespace {

constexpr int kCellPauseMs = 10;

}  // namespace

Map::Map() {
    for (int x = kWallFirst; x <= kWallLast; ++x) border.emplace_back(x, kWallFirst);
    for (int y = kWallFirst + 1; y < kWallLast; ++y) {
        border.emplace_back(kWallFirst, y);
        border.emplace_back(kWallLast, y);
    }
    for (int x = kWallFirst; x <= kWallLast; ++x) border.emplace_back(x, kWallLast);
}

void Map::PrintMap() const {
    for (const Point& cell : border) {
        cell.PrintH();
        Sleep(kCellPauseMs);
    }
}
