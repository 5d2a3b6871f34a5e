#pragma once

#include <optional>

#include "point.h"

class Snake;

// Both kinds of food of one round: the normal food "★" that is always on the
// board, and the big food "■" that comes with every fifth one and flashes for
// 40 ticks while its countdown bar drains at the window's left edge.
class Food {
public:
    // Places and draws the next normal food, and with every fifth one a big
    // food. False when no free cell is left for it: the snake fills the board.
    bool DrawFood(Snake& snake);
    void DrawBigFood(Snake& snake);
    void FlashBigFood();

    int GetCnt() const { return cnt; }
    bool GetBigFlag() const { return big_flag; }
    int GetProgressBar() const { return progress_bar; }

private:
    // A random playable cell under no snake segment and not (other_x, other_y).
    std::optional<Point> FindFreeCell(const Snake& snake, int other_x, int other_y) const;
    void EraseBigFood() const;
    // The countdown bar, once the snake has taken the big food.
    void EraseBar() const;

    int cnt = 0;
    int progress_bar = 0;
    bool flash_flag = false;
    bool big_flag = false;
    int x = 0;
    int y = 0;
    int big_x = 0;
    int big_y = 0;

    friend class Snake;
};
