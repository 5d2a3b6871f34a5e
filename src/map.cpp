#include "map.h"

#include "tool.h"

namespace {

constexpr int kFirst = 1;
constexpr int kLast = 30;
constexpr int kCellPauseMs = 10;

}  // namespace

Map::Map() {
    for (int x = kFirst; x <= kLast; ++x) border.emplace_back(x, kFirst);
    for (int y = kFirst + 1; y < kLast; ++y) {
        border.emplace_back(kFirst, y);
        border.emplace_back(kLast, y);
    }
    for (int x = kFirst; x <= kLast; ++x) border.emplace_back(x, kLast);
}

void Map::PrintMap() const {
    for (const Point& cell : border) {
        cell.PrintH();
        Sleep(kCellPauseMs);
    }
}
