// A console that plays by itself, for measuring whole rounds: it follows the
// snake by what the game draws, steers greedily toward the big food, or else
// the normal food, onto a free cell while there is one, and confirms the
// game-over box with Enter.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string_view>

#include "board_cycle.h"
#include "platform/virtual_console.h"

class FoodSeeker : public platform::VirtualConsole {
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
    bool KeyArrived() override {
        answer_ = {key::kArrowPrefix, ArrowTowards(body_.back(), Choose())};
        return true;
    }
    int NextKey() override {
        if (answer_.empty()) return key::kEnter;
        const int code = answer_.front();
        answer_.pop_front();
        return code;
    }

private:
    // The big food keeps its colour while a flash hides it, and loses it
    // once eaten or gone.
    Point Target() const {
        constexpr int kBigFoodColour = 18;
        const bool big =
            big_food_ &&
            screen().At(2 * big_food_->GetX(), big_food_->GetY()).attribute == kBigFoodColour;
        return big ? *big_food_ : food_;
    }
    // The free neighbour of the head nearest the target; straight on if none.
    Point Choose() const {
        const Point& head = body_.back();
        const Point& neck = body_[body_.size() - 2];
        const Point target = Target();
        Point best(2 * head.GetX() - neck.GetX(), 2 * head.GetY() - neck.GetY());
        int best_distance = INT_MAX;
        for (const auto& [dx, dy] : {std::pair{0, -1}, {0, 1}, {-1, 0}, {1, 0}}) {
            const Point next(head.GetX() + dx, head.GetY() + dy);
            const bool free = next.GetX() >= 2 && next.GetX() <= 29 && next.GetY() >= 2 &&
                              next.GetY() <= 29 &&
                              std::find(body_.begin(), body_.end(), next) == body_.end();
            const int distance =
                std::abs(next.GetX() - target.GetX()) + std::abs(next.GetY() - target.GetY());
            if (free && distance < best_distance) {
                best = next;
                best_distance = distance;
            }
        }
        return best;
    }

    std::deque<Point> body_;
    Point food_{0, 0};
    std::optional<Point> big_food_;
    std::deque<int> answer_;
};
