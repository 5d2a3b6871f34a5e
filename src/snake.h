#pragma once

#include <deque>

#include "point.h"

class Food;

// The player's snake for one round: a run of cells from tail (front) to head
// (back) and a heading. Each step draws only the new head and erases only the
// old tail.
class Snake {
public:
    enum Direction { UP, DOWN, LEFT, RIGHT };

    Snake();

    void InitSnake() const;
    void Move();
    void NormalMove();
    // True while the head is inside the board: true means alive.
    bool OverEdge() const;
    // True while no other segment lies on the head's cell: true means alive.
    bool HitItself() const;
    // Polls the keyboard and turns on an arrow key; false when the key was ESC.
    bool ChangeDirection();
    bool GetFood(const Food& food) const;
    bool GetBigFood(Food& food);

    const std::deque<Point>& GetBody() const { return body; }
    int GetDirection() const { return direction; }

private:
    void Steer(int arrow_code);

    std::deque<Point> body;
    int direction;

    friend class Food;
};
