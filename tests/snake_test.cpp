// The snake's steps, steering and tests, on the virtual console.
#include "snake.h"

#include <tuple>
#include <utility>
#include <vector>

#include "game_fixture.h"

namespace {

using namespace platform::key;
using SnakeTest = GameTest;

// The key poll, then a step: a tick's worth of the snake's own part.
bool Tick(Snake& snake) {
    const bool kept_playing = snake.ChangeDirection();
    snake.NormalMove();
    return kept_playing;
}

// A new snake heads down from (16, 8) with its body to the left of its head.
// Keys pressed before its first steps take one step each; a turn back onto
// the heading is ignored, and the key of the heading changes nothing.
TEST_F(SnakeTest, ArrowsTurnTheSnakeOneStepEachButNeverBack) {
    // Arrows, each after the arrow prefix; the head after a step for each.
    const std::tuple<std::vector<int>, Point, bool> runs[] = {
        {{kUp}, {16, 9}, true},
        {{kRight}, {17, 8}, true},
        {{kLeft}, {15, 8}, false},  // onto its own middle segment
        {{kRight, kLeft, kRight}, {19, 8}, true},
        {{kRight, kUp, kDown, kLeft, kRight}, {15, 6}, true},
    };
    for (const auto& [arrows, head, alive] : runs) {
        Snake snake;
        for (int arrow : arrows) console.PushKeys({kArrowPrefix, arrow});
        for (std::size_t i = 0; i < arrows.size(); ++i) EXPECT_TRUE(Tick(snake));
        EXPECT_EQ(snake.GetBody().back(), head) << arrows.size() << " arrows to " << head.GetX();
        EXPECT_EQ(snake.HitItself(), alive);
        EXPECT_EQ(GlyphAt(screen(), head.GetX(), head.GetY()), "●") << "the step is drawn";
        EXPECT_EQ(AttributeAt(screen(), head.GetX(), head.GetY()), 14);
    }
}

// Enter, a letter, "H" (72 without the arrow prefix), an unknown arrow code,
// and a function key's 0 followed by what looks like an arrow.
TEST_F(SnakeTest, OnlyEscapeReportsAPause) {
    Snake snake;
    console.PushKeys({kEscape});
    EXPECT_FALSE(snake.ChangeDirection());
    console.PushKeys({kEnter, 'a', 'H', kArrowPrefix, kHome, kFunctionPrefix, kRight});
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(snake.ChangeDirection()) << "the last with no key";
    EXPECT_EQ(snake.GetDirection(), Snake::DOWN);
}

// Down from the start, left, right, and up after a turn right: the first
// cell out of the playable area, drawn over the wall.
TEST_F(SnakeTest, PlayableAreaIsTwoToTwentyNine) {
    const std::pair<std::vector<int>, Point> runs[] = {
        {{}, {16, 30}},
        {{kArrowPrefix, kLeft}, {1, 8}},
        {{kArrowPrefix, kRight}, {30, 8}},
        {{kArrowPrefix, kRight, kArrowPrefix, kUp}, {17, 1}}};
    for (const auto& [keys, first_outside] : runs) {
        for (int code : keys) console.PushKeys({code});
        Snake runner;
        for (int step = 0; step < 40 && runner.OverEdge(); ++step) Tick(runner);
        EXPECT_EQ(runner.GetBody().back(), first_outside);
    }
    EXPECT_EQ(GlyphAt(screen(), 16, 30), "●");
    EXPECT_EQ(AttributeAt(screen(), 16, 30), 14);
}

// Grown once downward and turned left, the head lies beside the tail:
// (15,8) (16,8) (16,9) (15,9); then it heads up, onto the tail's cell.
TEST_F(SnakeTest, AStepOntoTheTailsCellBitesOnlyWhenGrowing) {
    for (bool growing : {false, true}) {
        Snake curled;
        curled.Move();
        console.PushKeys({kArrowPrefix, kLeft, kArrowPrefix, kUp});
        Tick(curled);
        curled.ChangeDirection();
        growing ? curled.Move() : curled.NormalMove();
        EXPECT_EQ(curled.GetBody().back(), Point(15, 8));
        EXPECT_EQ(curled.HitItself(), !growing);
        EXPECT_EQ(GlyphAt(screen(), 15, 8), "●") << "the old tail erased before the head drawn";
    }
}

}  // namespace
