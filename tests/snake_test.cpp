#include "snake.h"

#include <vector>

#include "game_fixture.h"
#include "platform/key_decoder.h"

namespace {

using Body = std::vector<Point>;

Body BodyOf(const Snake& snake) {
    return {snake.GetBody().begin(), snake.GetBody().end()};
}

class SnakeTest : public GameTest {
protected:
    // One tick's worth of the snake's own part: the key poll, then a step.
    bool Tick() {
        const bool kept_playing = snake.ChangeDirection();
        snake.NormalMove();
        return kept_playing;
    }
    bool Alive() const { return snake.OverEdge() && snake.HitItself(); }

    Snake snake;
};

TEST_F(SnakeTest, StartsAlongRowEightAndFirstStepsDown) {
    SetColor(6);
    snake.InitSnake();
    for (int x : {14, 15, 16}) {
        EXPECT_EQ(GlyphAt(x, 8), "●");
        EXPECT_EQ(AttributeAt(x, 8), 6);
    }
    Tick();
    EXPECT_EQ(BodyOf(snake), (Body{{15, 8}, {16, 8}, {16, 9}}));
    EXPECT_EQ(GlyphAt(14, 8), " ");
    EXPECT_EQ(GlyphAt(16, 9), "●");
    EXPECT_EQ(AttributeAt(16, 9), 14);
    EXPECT_EQ(AttributeAt(15, 8), 6);
}

TEST_F(SnakeTest, FirstTurnsAgainstTheDownwardStart) {
    console.PushKeys({224, 72});
    Tick();
    EXPECT_EQ(snake.GetBody().back(), Point(16, 9)) << "up is a reversal of down";

    Snake other;
    console.PushKeys({224, 77});
    other.ChangeDirection();
    other.NormalMove();
    EXPECT_EQ(other.GetBody().back(), Point(17, 8));
}

TEST_F(SnakeTest, LeftBeforeTheFirstStepBitesTheMiddleSegment) {
    console.PushKeys({224, 75});
    Tick();
    EXPECT_EQ(BodyOf(snake), (Body{{15, 8}, {16, 8}, {15, 8}}));
    EXPECT_TRUE(snake.OverEdge());
    EXPECT_FALSE(snake.HitItself());
}

TEST_F(SnakeTest, ReversalsAndRepeatsChangeNothing) {
    console.PushKeys({224, 77});
    Tick();
    console.PushKeys({224, 75});
    Tick();
    EXPECT_EQ(snake.GetDirection(), Snake::RIGHT);
    console.PushKeys({224, 77});
    Tick();
    EXPECT_EQ(snake.GetDirection(), Snake::RIGHT);
    EXPECT_EQ(snake.GetBody().back(), Point(19, 8));
}

TEST_F(SnakeTest, KeysTypedWithinOnePauseTakeOneTickEach) {
    console.PushKeys({224, 77});
    Tick();
    console.PushKeys({224, 72, 224, 75});
    Tick();
    EXPECT_EQ(snake.GetBody().back(), Point(17, 7));
    Tick();
    EXPECT_EQ(snake.GetBody().back(), Point(16, 7));
    EXPECT_EQ(console.keys_left(), 0u);
}

TEST_F(SnakeTest, OnlyEscapeReportsAPause) {
    console.PushKeys({27});
    EXPECT_FALSE(snake.ChangeDirection());
    EXPECT_EQ(snake.GetDirection(), Snake::DOWN);
    // Enter, a letter, "H" (72 without the arrow prefix), an unknown arrow
    // code, and a function key's 0 followed by what looks like an arrow.
    console.PushKeys({13, 'a', 'H', 224, 71, 0, 77});
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(snake.ChangeDirection());
    EXPECT_EQ(snake.GetDirection(), Snake::DOWN);
    EXPECT_TRUE(snake.ChangeDirection()) << "no key waiting";
}

TEST_F(SnakeTest, BoardEdgesAreTwoAndTwentyNine) {
    // Down from row 8: row 29 is the last playable row, 30 the wall.
    for (int row = 9; row <= 29; ++row) {
        Tick();
        ASSERT_TRUE(Alive()) << "row " << row;
    }
    Tick();
    EXPECT_FALSE(snake.OverEdge());
    EXPECT_EQ(GlyphAt(16, 30), "●") << "the fatal step is drawn over the wall";
    EXPECT_EQ(AttributeAt(16, 30), 14);

    Snake left;
    console.PushKeys({224, 75});
    left.ChangeDirection();
    left.NormalMove();
    while (left.GetBody().back().GetX() > 2) left.NormalMove();
    EXPECT_TRUE(left.OverEdge());
    left.NormalMove();
    EXPECT_FALSE(left.OverEdge());
}

TEST_F(SnakeTest, TopAndRightEdges) {
    console.PushKeys({224, 77});
    Tick();
    while (snake.GetBody().back().GetX() < 29) Tick();
    EXPECT_TRUE(snake.OverEdge());
    console.PushKeys({224, 72});
    Tick();
    while (snake.GetBody().back().GetY() > 2) Tick();
    EXPECT_TRUE(snake.OverEdge());
    Tick();
    EXPECT_EQ(snake.GetBody().back(), Point(29, 1));
    EXPECT_FALSE(snake.OverEdge());

    Snake right;
    console.PushKeys({224, 77});
    right.ChangeDirection();
    while (right.GetBody().back().GetX() < 30) right.NormalMove();
    EXPECT_FALSE(right.OverEdge());
}

// Grows once downward and turns left, leaving the head beside the tail:
// (15,8) (16,8) (16,9) (15,9).
class CurledSnakeTest : public SnakeTest {
protected:
    void SetUp() override {
        snake.Move();
        console.PushKeys({224, 75});
        Tick();
        ASSERT_EQ(BodyOf(snake), (Body{{15, 8}, {16, 8}, {16, 9}, {15, 9}}));
        console.PushKeys({224, 72});
        snake.ChangeDirection();
    }
};

TEST_F(CurledSnakeTest, OrdinaryStepOntoTheTailCellIsSafe) {
    snake.NormalMove();
    EXPECT_EQ(snake.GetBody().back(), Point(15, 8));
    EXPECT_TRUE(snake.HitItself());
    EXPECT_EQ(GlyphAt(15, 8), "●") << "erasing the old tail comes before drawing the head";
}

TEST_F(CurledSnakeTest, GrowingStepOntoTheTailIsABite) {
    snake.Move();
    EXPECT_EQ(snake.GetBody().size(), 5u);
    EXPECT_FALSE(snake.HitItself());
}

// The whole path of a key: the bytes a terminal sends for the right arrow,
// decoded, read by the snake's steering and drawn as a turned step.
TEST_F(SnakeTest, RightArrowBytesBecomeATurnedStep) {
    platform::KeyDecoder decoder;
    decoder.Feed("\x1b[C", platform::KeyDecoder::Clock::now());
    while (decoder.HasCode()) {
        const int code = decoder.TakeCode();
        console.PushKeys({code});
    }
    SetColor(6);
    snake.InitSnake();
    EXPECT_TRUE(Tick());
    EXPECT_EQ(TextAt(28, 8, 8), "  ●●●");
    EXPECT_EQ(AttributeAt(17, 8), 14);
    EXPECT_EQ(AttributeAt(16, 8), 6);
}

}  // namespace
