#pragma once

class Snake;

// Both kinds of food of one round: the normal food that is always on the
// board, and the big food that comes with every fifth one.
class Food {
private:
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
