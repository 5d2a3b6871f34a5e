#include "bots.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "snake.h"
#include "tool.h"

namespace bots {

namespace {

constexpr int kFirst = 2;
constexpr int kLast = 29;
constexpr int kHeadColour = 14;
constexpr int kBigFoodColour = 18;
constexpr int kCountdownAfterFirstFlash = 39;
constexpr int kDirections[] = {Snake::UP, Snake::DOWN, Snake::LEFT, Snake::RIGHT};
constexpr std::string_view kSegment = "●";
constexpr std::string_view kFood = "★";
constexpr std::string_view kDrained = "○";

bool Shows(const platform::Cell& cell, std::string_view glyph) {
    return std::string_view(cell.glyph) == glyph;
}

// Snake::Direction numbers the directions up, down, left, right.
constexpr int kStepX[] = {0, 0, -1, 1};
constexpr int kStepY[] = {-1, 1, 0, 0};

int Opposite(int direction) {
    return direction ^ 1;
}

Point CyclePrevious(const Point& cell) {
    const int x = cell.GetX();
    const int y = cell.GetY();
    if (y == kFirst) return x > kFirst ? Point(x - 1, y) : Point(x, y + 1);
    if (x == kFirst) return y < kLast ? Point(x, y + 1) : Point(x + 1, y);
    if (y % 2 == 1) return x < kLast ? Point(x + 1, y) : Point(x, y - 1);
    return x > kFirst + 1 ? Point(x - 1, y) : Point(x, y - 1);
}

int Distance(const Point& a, const Point& b) {
    return std::abs(a.GetX() - b.GetX()) + std::abs(a.GetY() - b.GetY());
}

}  // namespace

bool Playable(const Point& cell) {
    return cell.GetX() >= kFirst && cell.GetX() <= kLast && cell.GetY() >= kFirst &&
           cell.GetY() <= kLast;
}

Point Neighbour(const Point& cell, int direction) {
    return {cell.GetX() + kStepX[direction], cell.GetY() + kStepY[direction]};
}

int DirectionTo(const Point& from, const Point& to) {
    for (int direction : kDirections) {
        if (Neighbour(from, direction) == to) return direction;
    }
    throw std::logic_error("the cells are not neighbours");
}

int ArrowCode(int direction) {
    constexpr int kCodes[] = {key::kUp, key::kDown, key::kLeft, key::kRight};
    return kCodes[direction];
}

Point CycleNext(const Point& cell) {
    const int x = cell.GetX();
    const int y = cell.GetY();
    if (y == kFirst) return x < kLast ? Point(x + 1, y) : Point(x, y + 1);
    if (x == kFirst) return y > kFirst + 1 ? Point(x, y - 1) : Point(x, kFirst);
    if (y % 2 == 0) return x < kLast ? Point(x + 1, y) : Point(x, y + 1);
    if (x > kFirst + 1) return Point(x - 1, y);
    return y < kLast ? Point(x, y + 1) : Point(kFirst, y);
}

bool CycleStraightAt(const Point& cell) {
    return DirectionTo(CyclePrevious(cell), cell) == DirectionTo(cell, CycleNext(cell));
}

void SteerAlongCycle(platform::VirtualConsole& console, const Snake& snake) {
    const Point& head = snake.GetBody().back();
    const int direction = DirectionTo(head, CycleNext(head));
    if (direction != snake.GetDirection()) {
        console.PushKeys({key::kArrowPrefix, ArrowCode(direction)});
    }
}

void BotConsole::NewRound(int points_per_unit) {
    points_per_unit_ = points_per_unit;
    body_ = {Point(14, 8), Point(15, 8), Point(16, 8)};
    heading_ = Snake::DOWN;
    food_.reset();
    big_food_.reset();
    countdown_ = 0;
    score_ = 0;
    round_ticks_ = 0;
    over_ = false;
    board_filled_ = false;
    pending_codes_.clear();
}

// Every tick polls the keyboard once, right after the snake has passed the
// alive test, so this is where the previous tick's step is checked.
bool BotConsole::KeyWaiting() {
    const bool stepped = round_ticks_ > 0;
    if (stepped) ApplyStep();
    const Board board = Scan();
    TrackFoods(board);
    Verify(board);
    if (stepped) {
        Check(screen().At(2 * body_.back().GetX(), body_.back().GetY()).attribute == kHeadColour,
              "the head is not drawn in yellow");
    }
    if (++round_ticks_ > max_round_ticks_) throw OutOfInput();
    ++stats_.ticks;
    stats_.longest = std::max(stats_.longest, body_.size());

    const int direction = ChooseDirection();
    Check(direction != Opposite(heading_), "the bot tried to reverse");
    if (direction == heading_) return false;
    heading_ = direction;
    pending_codes_ = {key::kArrowPrefix, ArrowCode(direction)};
    return true;
}

int BotConsole::ReadKey() {
    if (!pending_codes_.empty()) {
        const int code = pending_codes_.front();
        pending_codes_.pop_front();
        return code;
    }
    if (!over_) Conclude();
    return key::kEnter;
}

BotConsole::Board BotConsole::Scan() const {
    Board board;
    for (int y = 1; y <= 30; ++y) {
        for (int x = 1; x <= 30; ++x) {
            const platform::Cell& cell = screen().At(2 * x, y);
            if (cell.attribute == kBigFoodColour) {
                ++board.big_foods;
                board.big_food.emplace(x, y);
            } else if (cell.glyph.size() == 1) {
                continue;
            } else if (Shows(cell, kSegment)) {
                ++board.snake_cells;
            } else if (Shows(cell, kFood)) {
                ++board.foods;
                board.food.emplace(x, y);
            }
        }
    }
    return board;
}

// Only the first flash leaves the bar with one drained cell on top of full
// ones, so this look marks a big food placed in the tick just gone.
bool BotConsole::BigFoodJustPlaced() const {
    return Shows(screen().At(0, 2), kDrained) && Shows(screen().At(0, 3), kSegment);
}

// The step of the tick just gone, as the rules of play predict it.
void BotConsole::ApplyStep() {
    const bool grows = Grows();
    const Point first = Neighbour(body_.back(), heading_);
    if (!grows) body_.pop_front();
    body_.push_back(first);
    int units = grows ? 1 : 0;
    // A big food placed in the same tick has replaced the one the head
    // stepped onto, which is then no food any more.
    if (big_food_ && *big_food_ == first && !BigFoodJustPlaced()) {
        units += countdown_ / 10 + 1;
        body_.push_back(Neighbour(first, heading_));
        big_food_.reset();
        ++stats_.big_foods_eaten;
    }
    score_ += units * points_per_unit_;
}

void BotConsole::TrackFoods(const Board& board) {
    Check(board.foods <= 1, "more than one normal food");
    // A food that does not show lies under the head.
    food_ = board.foods == 1 ? board.food : body_.back();
    if (BigFoodJustPlaced()) {
        Check(board.big_foods == 1, "a new big food is not on the board");
        big_food_ = board.big_food;
        countdown_ = kCountdownAfterFirstFlash;
    } else if (big_food_ && --countdown_ == 0) {
        Check(board.big_foods == 0, "a big food outlived its countdown");
        big_food_.reset();
        ++stats_.big_foods_expired;
    } else {
        Check(board.big_foods == (big_food_ ? 1 : 0) && board.big_food == big_food_,
              "the big food moved, vanished or appeared");
    }
}

void BotConsole::Verify(const Board& board) const {
    if (board.snake_cells != body_.size()) {
        Fail("the board shows " + std::to_string(board.snake_cells) +
             " snake cells for a snake of " + std::to_string(body_.size()));
    }
    for (std::size_t i = 0; i < body_.size(); ++i) {
        const Point& segment = body_[i];
        Check(Playable(segment), "a segment lies outside the board");
        Check(i == 0 || Distance(body_[i - 1], segment) == 1, "the body is not contiguous");
        Check(Shows(screen().At(2 * segment.GetX(), segment.GetY()), kSegment),
              "a segment is not drawn");
    }
    if (ScoreField() != score_) {
        Fail("the score field shows " + std::to_string(ScoreField()) + " instead of " +
             std::to_string(score_));
    }
}

// The game-over box waits: the round ended after the last polled tick's step,
// either because the snake died or because no free cell was left for food.
void BotConsole::Conclude() {
    over_ = true;
    ApplyStep();
    const Point& head = body_.back();
    const bool died = !Playable(head) || std::count(body_.begin(), body_.end(), head) > 1;
    board_filled_ = !died && body_.size() == static_cast<std::size_t>(kPlayableCells);
    Check(died || board_filled_, "the round ended with the snake alive and room left");
    const std::string shown = std::to_string(score_);
    std::string text;
    for (int column = 48; column <= 48 + static_cast<int>(shown.size()); ++column) {
        text += screen().At(column, 16).glyph;
    }
    if (text != shown + " ") Fail("the box shows the score as \"" + text + "\", not " + shown);
    ++stats_.rounds_ended;
}

int BotConsole::ScoreField() const {
    std::string field;
    for (int column = 72; column < 80; ++column) field += screen().At(column, 8).glyph;
    return std::atoi(field.c_str());
}

void BotConsole::Check(bool ok, const char* what) const {
    if (!ok) Fail(what);
}

void BotConsole::Fail(const std::string& what) const {
    throw std::logic_error(what + " (tick " + std::to_string(round_ticks_) + ")");
}

int FoodSeeker::ChooseDirection() {
    const Point& head = body().back();
    const Point target = big_food().value_or(*food());
    int best = heading();
    int best_distance = INT_MAX;
    for (int direction : kDirections) {
        const Point next = Neighbour(head, direction);
        if (direction == Opposite(heading()) || !Free(next)) continue;
        const int distance = Distance(next, target);
        if (distance < best_distance || (distance == best_distance && direction == heading())) {
            best = direction;
            best_distance = distance;
        }
    }
    return best;
}

// The tail moves out of the way unless this step grows.
bool FoodSeeker::Free(const Point& cell) const {
    const auto from = Grows() ? body().begin() : std::next(body().begin());
    return Playable(cell) && std::find(from, body().end(), cell) == body().end();
}

int CycleFollower::ChooseDirection() {
    const Point& head = body().back();
    return DirectionTo(head, CycleNext(head));
}

int CycleFollower::Random() {
    if (pending_row_) {
        const int row = *pending_row_;
        pending_row_.reset();
        return row;
    }
    const Point cell = NextPlacement();
    pending_row_ = cell.GetY() - kFirst;
    return cell.GetX() - kFirst;
}

// Food is placed after the growing step of the tick (or before the first
// tick), and the first placement of a tick is the normal food. The free cells
// are those ahead of the head on the cycle, up to the tail.
Point CycleFollower::NextPlacement() {
    if (placement_tick_ != round_ticks()) {
        placement_tick_ = round_ticks();
        normal_placed_.reset();
    }
    const Point head = round_ticks() == 0 ? body().back() : Neighbour(body().back(), heading());
    std::vector<Point> ahead;
    for (Point cell = CycleNext(head); !(cell == body().front()); cell = CycleNext(cell)) {
        ahead.push_back(cell);
    }
    if (!normal_placed_) {
        const auto free = std::find_if(ahead.begin(), ahead.end(),
                                       [&](const Point& cell) { return cell != big_food(); });
        normal_placed_ = free == ahead.end() ? head : *free;
        return *normal_placed_;
    }
    // The second step after the big food has to find the cycle's next cell
    // free, and so does the growing step after it.
    for (std::size_t i = 0; i + 2 < ahead.size(); ++i) {
        if (ahead[i] != *normal_placed_ && CycleStraightAt(ahead[i])) return ahead[i];
    }
    // Late in the round no such cell may be left; the farthest free cell is
    // the one the snake reaches last.
    return ahead.empty() || ahead.back() == *normal_placed_ ? head : ahead.back();
}

}  // namespace bots
