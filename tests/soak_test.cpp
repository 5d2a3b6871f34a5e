// Whole rounds played by bots on the virtual console, the screen checked
// against the snake after every tick.
#include <gtest/gtest.h>

#include "bots.h"
#include "controller.h"
#include "tool.h"

namespace {

struct Pace {
    int mode;
    int tick_ms;
    int points_per_unit;
};

constexpr Pace kPaces[] = {{1, 135, 10}, {2, 100, 20}, {3, 60, 30}, {4, 35, 55}};

TEST(SoakTest, FoodSeekerPlaysAHundredThousandTicks) {
    bots::FoodSeeker bot(5000);
    ConsoleScope scope(bot);
    Controller controller;
    int cut_short = 0;
    for (int round = 0; bot.stats().ticks < 100'000; ++round) {
        const Pace& pace = kPaces[round % std::size(kPaces)];
        controller.mode = pace.mode;
        controller.tick_ms = pace.tick_ms;
        controller.score = 0;
        bot.Clear();
        bot.SetCalendarTime(round);
        bot.NewRound(pace.points_per_unit);
        try {
            ASSERT_EQ(controller.PlayGame(), 1);
        } catch (const platform::VirtualConsole::OutOfInput&) {
            ++cut_short;
            continue;
        }
        ASSERT_EQ(controller.score, bot.score()) << "round " << round;
    }
    const bots::Stats& stats = bot.stats();
    EXPECT_GT(stats.rounds_ended, 20);
    EXPECT_LT(cut_short, stats.rounds_ended);
    EXPECT_GT(stats.big_foods_eaten, 0);
    EXPECT_GT(stats.big_foods_expired, 0);
    EXPECT_GT(stats.longest, 30u);
}

TEST(SoakTest, CycleFollowerFillsTheBoard) {
    bots::CycleFollower bot(2 * bots::kPlayableCells);
    ConsoleScope scope(bot);
    Controller controller;
    controller.mode = 1;
    controller.tick_ms = 135;
    bot.NewRound(10);
    EXPECT_EQ(controller.PlayGame(), 1);

    EXPECT_TRUE(bot.board_filled());
    EXPECT_EQ(bot.length(), static_cast<std::size_t>(bots::kPlayableCells));
    EXPECT_EQ(controller.score, bot.score());
    EXPECT_GE(controller.score, 10 * (bots::kPlayableCells - 3)) << "a unit at least per growth";
    EXPECT_GT(bot.stats().big_foods_eaten, 0);
    // Around the game-over box every playable cell is snake.
    for (int y = 2; y <= 29; ++y) {
        for (int x = 2; x <= 29; ++x) {
            if (y >= 9 && y <= 20 && x >= 7) continue;
            EXPECT_EQ(bot.screen().At(2 * x, y).glyph, "●") << x << ", " << y;
        }
    }
}

}  // namespace
