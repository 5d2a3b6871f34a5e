#include "snake.h"

#include "food.h"
#include "map.h"
#include "tool.h"

namespace {

constexpr int kHeadColour = 14;

// Each heading, in the order of Snake::Direction: the head's step, the arrow
// that turns onto it, and the heading it would reverse.
struct Step {
    int x;
    int y;
    int arrow;
    int opposite;
};
constexpr Step kSteps[] = {
    {0, -1, key::kUp, Snake::DOWN},
    {0, 1, key::kDown, Snake::UP},
    {-1, 0, key::kLeft, Snake::RIGHT},
    {1, 0, key::kRight, Snake::LEFT},
};

}  // namespace

// The body lies along the row with the head at the right, yet the snake sets
// off downwards.
Snake::Snake() : body{Point(14, 8), Point(15, 8), Point(16, 8)}, direction(DOWN) {}

void Snake::InitSnake() const {
    for (const Point& segment : body) segment.PrintO();
}

void Snake::Move() {
    const Point& head = body.back();
    const Step step = kSteps[direction];
    body.emplace_back(head.GetX() + step.x, head.GetY() + step.y);
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
    for (int heading = UP; heading <= RIGHT; ++heading) {
        if (kSteps[heading].arrow != arrow_code) continue;
        if (heading != kSteps[direction].opposite) direction = heading;
        return;
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
