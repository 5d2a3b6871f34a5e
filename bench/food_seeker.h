// A bot for measuring whole rounds: it steers greedily toward the big food,
// or else the normal food, onto a free cell while there is one.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "bot.h"

class FoodSeeker : public Bot {
protected:
    // The free neighbour of the head nearest the target; straight on if none.
    Point Next() const override {
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

private:
    // The big food keeps its colour while a flash hides it, and loses it
    // once eaten or gone.
    Point Target() const {
        constexpr int kBigFoodColour = 18;
        const bool big =
            screen().At(2 * big_food_.GetX(), big_food_.GetY()).attribute == kBigFoodColour;
        return big ? big_food_ : food_;
    }
};
