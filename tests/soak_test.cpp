// A whole round played to the end on the virtual console by a bot that fills
// the board.
#include <optional>
#include <utility>
#include <vector>

#include "controller.h"
#include "game_fixture.h"

namespace {

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

TEST(SoakTest, ARoundThatFillsTheBoardEndsThere) {
    CycleFollower bot;
    ConsoleScope scope(bot);
    Controller controller;
    EXPECT_EQ(controller.PlayGame(), 1);
    EXPECT_EQ(bot.length(), static_cast<std::size_t>(kPlayableCells));
}

}  // namespace
