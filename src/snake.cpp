#include "snake.h"

#include "food.h"
#include "map.h"
#include "tool.h"

namespace {

constexpr int kHeadColour = 14;

}  // namespace

// The body lies along the row with the head at the right, yet the snake sets
// off downwards.
Snake::Snake() : body{Point(14, 8), Point(15, 8), Point(16, 8)}, direction(DOWN) {}

void Snake::InitSnake() const {
    for (const Point& segment : body) segment.PrintO();
}

void Snake::Move() {
    const Point& head = body.back();
    int x = head.GetX();
    int y = head.GetY();
    switch (direction) {
        case UP:
            --y;
            break;
        case DOWN:
            ++y;
            break;
        case LEFT:
            --x;
            break;
        case RIGHT:
            ++x;
            break;
    }
    body.emplace_back(x, y);
    SetColor(kHeadColour);
    body.back().PrintO();
}

void Snake::NormalMove() {
    body.front().PrintN();
    body.pop_front();
    Move();
}

bool Snake::OverEdge() const {
    const Point& head = body.back();
    return head.GetX() >= kFirstPlayable && head.GetX() <= kLastPlayable &&
           head.GetY() >= kFirstPlayable && head.GetY() <= kLastPlayable;
}

bool Snake::HitItself() const {
    const Point& head = body.back();
    std::size_t passed = 0;
    for (const Point& segment : body) {
        ++passed;
        if (segment == head) break;
    }
    return passed == body.size();
}

bool Snake::ChangeDirection() {
    if (!KeyWaiting()) return true;
    const int code = ReadKey();
    if ((code & 0xFF) == key::kArrowPrefix) {
        Steer(ReadKey());
        return true;
    }
    return code != key::kEscape;
}

// A turn onto the opposite heading is ignored, so the snake never reverses
// into itself.
void Snake::Steer(int arrow_code) {
    switch (arrow_code) {
        case key::kUp:
            if (direction != DOWN) direction = UP;
            break;
        case key::kDown:
            if (direction != UP) direction = DOWN;
            break;
        case key::kLeft:
            if (direction != RIGHT) direction = LEFT;
            break;
        case key::kRight:
            if (direction != LEFT) direction = RIGHT;
            break;
        default:
            break;
    }
}

bool Snake::GetFood(const Food& food) const {
    return body.back().GetX() == food.x && body.back().GetY() == food.y;
}

// No need to look at big_flag: with no big food its cell is (0, 0), which the
// head never reaches.
bool Snake::GetBigFood(Food& food) {
    if (body.back().GetX() != food.big_x || body.back().GetY() != food.big_y) return false;
    food.big_flag = false;
    food.big_x = 0;
    food.big_y = 0;
    food.EraseBar();
    return true;
}
