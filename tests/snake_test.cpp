#include "snake.h"

#include <deque>
#include <tuple>
#include <vector>

#include "game_fixture.h"
#include "platform/key_decoder.h"

namespace {

using namespace platform::key;

// One tick's worth of the snake's own part: the key poll, then a step.
bool Tick(Snake& snake) {
    const bool kept_playing = snake.ChangeDirection();
    snake.NormalMove();
    return kept_playing;
}

class SnakeTest : public GameTest {
protected:
    Point Head() const { return snake.GetBody().back(); }

    Snake snake;
};

// Each arrow's bytes from the terminal go through the decoder to the steering
// before the first step. Up reverses down and is ignored; left is no reversal,
// so it bites the middle segment.
TEST_F(SnakeTest, FirstTurnFromTheTerminalsArrowBytes) {
    for (auto [bytes, head, alive] : {std::tuple{"\x1b[A", Point(16, 9), true},
                                      {"\x1b[C", Point(17, 8), true},
                                      {"\x1b[D", Point(15, 8), false}}) {
        platform::KeyDecoder decoder;
        decoder.Feed(bytes, platform::KeyDecoder::Clock::now());
        while (decoder.HasCode()) console.PushKeys({decoder.TakeCode()});
        Snake fresh;
        EXPECT_TRUE(Tick(fresh));
        EXPECT_EQ(fresh.GetBody().back(), head) << bytes;
        EXPECT_EQ(fresh.HitItself(), alive) << bytes;
    }
    EXPECT_EQ(GlyphAt(screen(), 17, 8), "●") << "the turned step is drawn";
    EXPECT_EQ(AttributeAt(screen(), 17, 8), 14);
}

TEST_F(SnakeTest, ReversalsAreIgnoredAndQueuedKeysTakeOneTickEach) {
    console.PushKeys({kArrowPrefix, kRight});
    Tick(snake);
    console.PushKeys({kArrowPrefix, kLeft, kArrowPrefix, kRight});
    Tick(snake);
    Tick(snake);
    EXPECT_EQ(Head(), Point(19, 8)) << "left reverses right, right changes nothing";
    console.PushKeys(
        {kArrowPrefix, kUp, kArrowPrefix, kDown, kArrowPrefix, kLeft, kArrowPrefix, kRight});
    Tick(snake);
    EXPECT_EQ(Head(), Point(19, 7));
    Tick(snake);
    EXPECT_EQ(Head(), Point(19, 6)) << "down reverses up";
    Tick(snake);
    EXPECT_EQ(Head(), Point(18, 6));
    Tick(snake);
    EXPECT_EQ(Head(), Point(17, 6)) << "right reverses left";
}

TEST_F(SnakeTest, OnlyEscapeReportsAPause) {
    console.PushKeys({kEscape});
    EXPECT_FALSE(snake.ChangeDirection());
    // Enter, a letter, "H" (72 without the arrow prefix), an unknown arrow
    // code, and a function key's 0 followed by what looks like an arrow.
    console.PushKeys({kEnter, 'a', 'H', kArrowPrefix, kHome, kFunctionPrefix, kRight});
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(snake.ChangeDirection());
    EXPECT_TRUE(snake.ChangeDirection()) << "no key waiting";
    EXPECT_EQ(snake.GetDirection(), Snake::DOWN);
}

TEST_F(SnakeTest, PlayableAreaIsTwoToTwentyNine) {
    struct Run {
        std::vector<int> keys;
        Point first_outside;
    };
    // Down from the start, left, right, and up after a turn right.
    const Run runs[] = {{{}, {16, 30}},
                        {{kArrowPrefix, kLeft}, {1, 8}},
                        {{kArrowPrefix, kRight}, {30, 8}},
                        {{kArrowPrefix, kRight, kArrowPrefix, kUp}, {17, 1}}};
    for (const Run& run : runs) {
        for (int code : run.keys) console.PushKeys({code});
        Snake runner;
        for (int step = 0; step < 40 && runner.OverEdge(); ++step) Tick(runner);
        EXPECT_EQ(runner.GetBody().back(), run.first_outside);
    }
    EXPECT_EQ(GlyphAt(screen(), 16, 30), "●") << "the fatal step is drawn over the wall";
    EXPECT_EQ(AttributeAt(screen(), 16, 30), 14);
}

// Grows once downward and turns left, leaving the head beside the tail:
// (15,8) (16,8) (16,9) (15,9); then heads up, onto the tail's cell.
TEST_F(SnakeTest, StepOntoTheTailCellBitesOnlyWhenGrowing) {
    for (bool growing : {false, true}) {
        Snake curled;
        curled.Move();
        console.PushKeys({kArrowPrefix, kLeft, kArrowPrefix, kUp});
        Tick(curled);
        curled.ChangeDirection();
        growing ? curled.Move() : curled.NormalMove();
        EXPECT_EQ(curled.GetBody().back(), Point(15, 8));
        EXPECT_EQ(curled.HitItself(), !growing);
        EXPECT_EQ(GlyphAt(screen(), 15, 8), "●") << "erasing the old tail comes before drawing the head";
    }
}

}  // namespace
