// A console that plays by itself along the board's Hamiltonian cycle, or by a
// rule of its own: it follows the snake and the foods by what the game draws.
#pragma once

#include <deque>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/virtual/virtual_console.h"
#include "point.h"
#include "tool.h"

inline constexpr int kPlayableCells = 28 * 28;

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

// The code of the arrow key that steers from `from` onto its neighbour `to`.
inline int ArrowTowards(const Point& from, const Point& to) {
    if (to.GetX() != from.GetX()) return to.GetX() > from.GetX() ? key::kRight : key::kLeft;
    return to.GetY() > from.GetY() ? key::kDown : key::kUp;
}

// Every key poll finds the arrow towards the cell Next() picks for the head;
// any other read, such as the game-over box's, finds Enter.
class Bot : public platform::VirtualConsole {
public:
    void Write(std::string_view text) override {
        const Point cell(cursor().column / 2, cursor().row);
        VirtualConsole::Write(text);
        if (cell.GetX() == 0) return;  // the big food's bar
        if (text == "●") body_.push_back(cell);
        if (text == "  " && !body_.empty() && cell == body_.front()) body_.pop_front();
        if (text == "★") food_ = cell;
        if (text == "■") big_food_ = cell;
    }
    std::size_t length() const { return body_.size(); }

protected:
    virtual Point Next() const { return CycleNext(body_.back()); }
    bool KeyReady() override {
        answer_ = {key::kArrowPrefix, ArrowTowards(body_.back(), Next())};
        return true;
    }
    int WaitForKey() override {
        if (answer_.empty()) return key::kEnter;
        const int code = answer_.front();
        answer_.pop_front();
        return code;
    }

    std::deque<Point> body_;
    Point food_{0, 0};
    Point big_food_{0, 0};

private:
    std::deque<int> answer_;
};

// Steers along the board's cycle. Its random draws place each food just
// ahead of the head, and each big food where the cycle runs straight on:
// eating one takes a second step straight on, which at a turn would leave
// the cycle.
class CycleFollower : public Bot {
public:
    // A placement takes two draws, column and row; every sixth placement is
    // a big food, brought by a fifth normal food.
    int Random() override {
        if (row_) return *std::exchange(row_, std::nullopt);
        Point cell = CycleNext(body_.back());
        if (++placements_ % 6 == 0) {
            cell = BigFoodCell();
        } else if (cell == big_food_) {
            cell = CycleNext(cell);
        }
        row_ = cell.GetY() - 2;
        return cell.GetX() - 2;
    }

protected:
    bool KeyReady() override {
        if (++ticks_ > 2 * kPlayableCells) throw OutOfInput();
        return Bot::KeyReady();
    }

private:
    // The free cells lie ahead of the head on the cycle, up to the tail; late
    // in the round no straight one may be left, and the farthest is taken.
    Point BigFoodCell() const {
        std::vector<Point> ahead;
        for (Point cell = CycleNext(body_.back()); !(cell == body_.front());
             cell = CycleNext(cell)) {
            ahead.push_back(cell);
        }
        for (std::size_t i = 1; i + 2 < ahead.size(); ++i) {
            const bool straight = ahead[i - 1].GetX() == ahead[i + 1].GetX() ||
                                  ahead[i - 1].GetY() == ahead[i + 1].GetY();
            if (straight && ahead[i] != food_) return ahead[i];
        }
        return ahead.empty() || ahead.back() == food_ ? body_.back() : ahead.back();
    }

    std::optional<int> row_;
    long placements_ = 0;
    int ticks_ = 0;
};
