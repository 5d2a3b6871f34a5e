// A whole round played to the end on the virtual console by a bot that fills
// the board.
#include "controller.h"
#include "game_fixture.h"

namespace {

TEST(SoakTest, ARoundThatFillsTheBoardEndsThere) {
    CycleFollower bot;
    ConsoleScope scope(bot);
    Controller controller;
    EXPECT_EQ(controller.PlayGame(), 1);
    EXPECT_EQ(bot.length(), static_cast<std::size_t>(kPlayableCells));
}

}  // namespace
