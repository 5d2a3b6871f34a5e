// Players that steer the snake on the virtual console: along a Hamiltonian
// cycle of the board, or greedily toward the food.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/virtual_console.h"
#include "point.h"
#include "snake.h"
#include "tool.h"

namespace bots {

inline constexpr int kPlayableCells = 28 * 28;

inline bool Playable(const Point& cell) {
    return cell.GetX() >= 2 && cell.GetX() <= 29 && cell.GetY() >= 2 && cell.GetY() <= 29;
}

inline int Distance(const Point& a, const Point& b) {
    return std::abs(a.GetX() - b.GetX()) + std::abs(a.GetY() - b.GetY());
}

// Indexed by Snake::Direction: up, down, left, right, so that the reverse of
// direction d is d ^ 1.
inline constexpr int kArrows[] = {key::kUp, key::kDown, key::kLeft, key::kRight};

inline Point Neighbour(const Point& cell, int direction) {
    constexpr int kStepX[] = {0, 0, -1, 1};
    constexpr int kStepY[] = {-1, 1, 0, 0};
    return {cell.GetX() + kStepX[direction], cell.GetY() + kStepY[direction]};
}

inline int DirectionTo(const Point& from, const Point& to) {
    for (int direction = 0; direction < 4; ++direction) {
        if (Neighbour(from, direction) == to) return direction;
    }
    throw std::logic_error("the cells are not neighbours");
}

// A Hamiltonian cycle of the playable board: row 2 from left to right, rows 3
// to 29 back and forth over columns 3 to 29, then up column 2. Row 8 runs to
// the right, so a new snake already lies on it.
inline Point CycleNext(const Point& cell) {
    const int x = cell.GetX();
    const int y = cell.GetY();
    if (y == 2) return x < 29 ? Point(x + 1, y) : Point(x, y + 1);
    if (x == 2) return Point(x, y - 1);
    if (y % 2 == 0) return x < 29 ? Point(x + 1, y) : Point(x, y + 1);
    if (x > 3) return Point(x - 1, y);
    return y < 29 ? Point(x, y + 1) : Point(2, y);
}

// Queues the arrow key that keeps the snake on the cycle for its next step.
inline void SteerAlongCycle(platform::VirtualConsole& console, const Snake& snake) {
    const Point& head = snake.GetBody().back();
    const int direction = DirectionTo(head, CycleNext(head));
    if (direction != snake.GetDirection()) {
        console.PushKeys({key::kArrowPrefix, kArrows[direction]});
    }
}

// A console that plays rounds by itself. It follows the snake by what the game
// draws; at every key poll it checks that the body is contiguous, inside the
// board and shown on the screen, then answers with the arrow key of its chosen
// direction. It confirms the game-over box with Enter. A failed check throws
// std::logic_error; a round longer than `max_round_ticks` throws OutOfInput.
class BotConsole : public platform::VirtualConsole {
public:
    explicit BotConsole(long max_round_ticks) : max_round_ticks_(max_round_ticks) {}

    void NewRound() {
        body_.clear();
        heading_ = Snake::DOWN;
        round_ticks_ = 0;
    }

    void Write(std::string_view text) override {
        const Point cell(cursor_column() / 2, cursor_row());
        VirtualConsole::Write(text);
        if (cell.GetX() == 0) return;  // the big food's bar
        if (text == "●") {
            body_.push_back(cell);
        } else if (text == "  " && !body_.empty() && cell == body_.front()) {
            body_.pop_front();
        } else if (text == "★") {
            food_ = cell;
        } else if (text == "■") {
            big_food_ = cell;
        }
    }

    bool KeyWaiting() override {
        if (++round_ticks_ > max_round_ticks_) throw OutOfInput();
        ++ticks_;
        for (std::size_t i = 0; i < body_.size(); ++i) {
            const Point& segment = body_[i];
            if (!Playable(segment) || (i > 0 && Distance(body_[i - 1], segment) != 1) ||
                CellAt(segment).glyph != "●") {
                throw std::logic_error("segment " + std::to_string(i) +
                                       " is off the board, apart from the body or not shown");
            }
        }
        heading_ = ChooseDirection();
        answer_ = {key::kArrowPrefix, kArrows[heading_]};
        return true;
    }

    int ReadKey() override {
        if (answer_.empty()) return key::kEnter;
        const int code = answer_.front();
        answer_.pop_front();
        return code;
    }

    long ticks() const { return ticks_; }
    const std::deque<Point>& body() const { return body_; }

protected:
    // One of Snake::Direction, never the reverse of `heading()`.
    virtual int ChooseDirection() = 0;

    int heading() const { return heading_; }
    const Point& food() const { return food_; }
    // Where the last big food was drawn, while it is still there: it keeps
    // its colour while hidden by a flash, and loses it when eaten or expired.
    std::optional<Point> BigFood() const {
        constexpr int kBigFoodColour = 18;
        if (!big_food_ || CellAt(*big_food_).attribute != kBigFoodColour) return std::nullopt;
        return big_food_;
    }
    const platform::Cell& CellAt(const Point& cell) const {
        return screen().At(2 * cell.GetX(), cell.GetY());
    }

private:
    long max_round_ticks_;
    long round_ticks_ = 0;
    long ticks_ = 0;
    std::deque<Point> body_;
    int heading_ = Snake::DOWN;
    Point food_{0, 0};
    std::optional<Point> big_food_;
    std::deque<int> answer_;
};

// Steers greedily toward the big food, or else the normal food, onto a free
// cell while there is one.
class FoodSeeker : public BotConsole {
public:
    using BotConsole::BotConsole;

private:
    int ChooseDirection() override {
        const Point target = BigFood().value_or(food());
        int best = heading();
        int best_distance = INT_MAX;
        for (int direction = 0; direction < 4; ++direction) {
            const Point next = Neighbour(body().back(), direction);
            const bool free = Playable(next) && direction != (heading() ^ 1) &&
                              std::find(body().begin(), body().end(), next) == body().end();
            if (free && Distance(next, target) < best_distance) {
                best = direction;
                best_distance = Distance(next, target);
            }
        }
        return best;
    }
};

// Follows the cycle and so fills the whole board. Its random draws place the
// food: the normal food just ahead of the head, and the big food where the
// cycle runs straight, since the tick that eats a big food takes a second
// step straight on, which at a turn would leave the cycle, at the board's
// corners into the wall.
class CycleFollower : public BotConsole {
public:
    using BotConsole::BotConsole;

    // A placement on a free cell takes two draws, column and row; every sixth
    // placement is a big food, brought by a fifth normal food.
    int Random() override {
        if (row_) return *std::exchange(row_, std::nullopt);
        const Point cell = ++placements_ % 6 == 0 ? BigFoodCell() : FoodCell();
        row_ = cell.GetY() - 2;
        return cell.GetX() - 2;
    }

private:
    int ChooseDirection() override { return DirectionTo(body().back(), CycleNext(body().back())); }

    Point FoodCell() const {
        const Point next = CycleNext(body().back());
        return next == BigFood() ? CycleNext(next) : next;
    }
    // The free cells lie ahead of the head on the cycle, up to the tail. The
    // second step after eating the big food, and the growing step after that,
    // need free cells too.
    Point BigFoodCell() const {
        std::vector<Point> ahead;
        for (Point cell = CycleNext(body().back()); !(cell == body().front());
             cell = CycleNext(cell)) {
            ahead.push_back(cell);
        }
        for (std::size_t i = 1; i + 2 < ahead.size(); ++i) {
            const bool straight = ahead[i - 1].GetX() == ahead[i + 1].GetX() ||
                                  ahead[i - 1].GetY() == ahead[i + 1].GetY();
            if (straight && ahead[i] != food()) return ahead[i];
        }
        // Late in the round no such cell may be left; the snake reaches the
        // farthest free cell last.
        return ahead.empty() || ahead.back() == food() ? body().back() : ahead.back();
    }

    std::optional<int> row_;
    long placements_ = 0;
};

}  // namespace bots
