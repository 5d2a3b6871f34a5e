#pragma once

#include <deque>
#include <vector>

#include "point.h"

// The opening: a small snake grows in from the left edge, crawls along a
// zig-zag, then vanishes from the tail while the word SNAKE is revealed one
// column at a time.
class StartInterface {
public:
    StartInterface();

    void Print1();
    void Print2();
    void Print3();
    void Action();

private:
    std::deque<Point> wave;
    std::vector<Point> letters;
    int frame_ms;
};
