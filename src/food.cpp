#include "food.h"

#include <algorithm>
#include <vector>

#include "map.h"
#include "snake.h"
#include "tool.h"

namespace {

constexpr int kPlayableSide = kLastPlayable - kFirstPlayable + 1;
constexpr int kFoodColour = 13;
constexpr int kBigFoodColour = 18;
constexpr int kBarColour = 11;
constexpr int kFirstBarRow = 2;
constexpr int kBarCells = 20;
constexpr int kCountdown = 40;
constexpr int kFoodsPerBigFood = 5;
// Far more than an ordinary board ever needs; past it the board is nearly
// full and random draws would take too long to find the few free cells.
constexpr int kMaxDraws = 1000;

int DrawCoordinate() {
    return TheConsole().Random() % kPlayableSide + kFirstPlayable;
}

}  // namespace

std::optional<Point> Food::FindFreeCell(const Snake& snake, int other_x, int other_y) const {
    const auto is_free = [&](const Point& cell) {
        return !(cell == Point(other_x, other_y)) &&
               std::find(snake.body.begin(), snake.body.end(), cell) == snake.body.end();
    };
    for (int draw = 0; draw < kMaxDraws; ++draw) {
        const int column = DrawCoordinate();
        const Point candidate(column, DrawCoordinate());
        if (is_free(candidate)) return candidate;
    }
    std::vector<Point> free_cells;
    for (int column = kFirstPlayable; column < kFirstPlayable + kPlayableSide; ++column) {
        for (int row = kFirstPlayable; row < kFirstPlayable + kPlayableSide; ++row) {
            if (is_free(Point(column, row))) free_cells.emplace_back(column, row);
        }
    }
    if (free_cells.empty()) return std::nullopt;
    return free_cells[TheConsole().Random() % free_cells.size()];
}

bool Food::DrawFood(Snake& snake) {
    const std::optional<Point> cell = FindFreeCell(snake, big_x, big_y);
    if (!cell) return false;
    x = cell->GetX();
    y = cell->GetY();
    SetCursorPosition(x, y);
    SetColor(kFoodColour);
    Print("★");
    cnt = (cnt + 1) % kFoodsPerBigFood;
    if (cnt == 0) DrawBigFood(snake);
    return true;
}

void Food::DrawBigFood(Snake& snake) {
    const std::optional<Point> cell = FindFreeCell(snake, x, y);
    if (!cell) return;
    // A big food still on the board is replaced; its cell must not go on
    // looking like food. The head may have just stepped onto it, though.
    if (big_flag &&
        std::find(snake.body.begin(), snake.body.end(), Point(big_x, big_y)) == snake.body.end()) {
        EraseBigFood();
    }
    SetColor(kBarColour);
    for (int row = kFirstBarRow; row < kFirstBarRow + kBarCells; ++row) PrintAt(0, row, "●");
    progress_bar = kCountdown;
    big_x = cell->GetX();
    big_y = cell->GetY();
    SetCursorPosition(big_x, big_y);
    SetColor(kBigFoodColour);
    Print("■");
    flash_flag = true;
    big_flag = true;
}

void Food::EraseBigFood() const {
    SetColor(kBarColour);
    PrintAt(big_x, big_y, "  ");
}

// The bar is rewritten from the top each time: first the full cells turn into
// drained ones, then the drained ones go blank.
void Food::EraseBar() const {
    for (int row = kFirstBarRow; row < kFirstBarRow + kBarCells; ++row) PrintAt(0, row, "  ");
}

void Food::FlashBigFood() {
    SetCursorPosition(big_x, big_y);
    SetColor(kBigFoodColour);
    Print(flash_flag ? "  " : "■");
    flash_flag = !flash_flag;

    SetColor(kBarColour);
    if (progress_bar > kBarCells) {
        for (int i = 0; i <= kCountdown - progress_bar; ++i) PrintAt(0, kFirstBarRow + i, "○");
    } else {
        for (int i = 0; i <= kBarCells - progress_bar; ++i) PrintAt(0, kFirstBarRow + i, "  ");
    }
    --progress_bar;
    if (progress_bar == 0) {
        EraseBigFood();
        big_flag = false;
        big_x = 0;
        big_y = 0;
    }
}
