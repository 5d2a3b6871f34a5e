// Whole rounds played by bots on the virtual console, which check the snake at
// every tick.
#include <gtest/gtest.h>

#include "bots.h"
#include "controller.h"

namespace {

TEST(SoakTest, FoodSeekerPlaysAHundredThousandTicks) {
    bots::FoodSeeker bot(5000);
    ConsoleScope scope(bot);
    Controller controller;
    std::size_t longest = 0;
    for (int round = 0; bot.ticks() < 100'000; ++round) {
        bot.Clear();
        bot.SetCalendarTime(round);
        bot.NewRound();
        ASSERT_EQ(controller.PlayGame(), 1) << "round " << round;
        longest = std::max(longest, bot.body().size());
    }
    EXPECT_GT(longest, 30u) << "the bot finds the food";
}

TEST(SoakTest, CycleFollowerFillsTheBoard) {
    bots::CycleFollower bot(2 * bots::kPlayableCells);
    ConsoleScope scope(bot);
    Controller controller;
    bot.NewRound();
    EXPECT_EQ(controller.PlayGame(), 1);
    EXPECT_EQ(bot.body().size(), static_cast<std::size_t>(bots::kPlayableCells));
}

}  // namespace
