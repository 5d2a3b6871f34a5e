// Rounds of play on the virtual console, tick by tick.
#include <string>
#include <tuple>
#include <vector>

#include "controller.h"
#include "game_fixture.h"

namespace {

using namespace platform::key;
using Millis = platform::VirtualConsole::Millis;

constexpr int kTickMs = 100;
constexpr int kPlain = 11;
constexpr int kHighlight = 113;
// When keys for the game-over box are pressed: long after any round here ends.
constexpr Millis kMuchLater = Millis(3'600'000);

class RoundTest : public GameTest {
protected:
    void SetUp() override {
        console.RecordFrames(true);
        controller.tick_ms = kTickMs;
    }
    static Millis TickStart(int tick) { return Millis(tick * kTickMs); }
    void KeysAt(Millis at, const std::vector<int>& codes) {
        for (int code : codes) console.PushKeys({code}, at);
    }
    // What the window shows during the pause that ends `tick`.
    const Screen& DuringTick(int tick) const {
        return console.ScreenAt(TickStart(tick) + Millis(kTickMs / 2));
    }
    // With the food out of its way, the snake runs straight down from (16, 8):
    // its head reaches the wall in tick 21 and the round ends in tick 22.
    void FoodOutOfTheWay() { NextDrawsCell(3, 3); }

    Controller controller;
};

// Mode 2. Five foods straight down column 16, the fifth bringing a big food to
// (19, 29); the snake turns right along the bottom row, eats the big food with
// 25 left, and turns down into the wall. It dies in tick 25; the box is
// complete 930 ms later, takes the arrow typed while it was drawn, and is
// then answered key by key: the column highlighted after each. A function
// key's 0 confirms at once and leaves its second code.
TEST_F(RoundTest, AScriptedRoundGrowsScoresAndEndsInTheBox) {
    const std::tuple<int, std::vector<int>, int> box_keys[] = {
        {3400, {kArrowPrefix, kRight}, 58},   {3800, {kArrowPrefix, kLeft}, 50},
        {4000, {kArrowPrefix, kRight}, 58},   {4200, {kArrowPrefix, kRight}, 58},
        {5000, {kArrowPrefix, kLeft}, 50},    {6000, {kArrowPrefix, kRight}, 58},
        {7000, {kFunctionPrefix, kLeft}, 58},
    };
    controller.mode = 2;
    for (int row : {10, 12, 14, 16, 18}) NextDrawsCell(16, row);
    NextDrawsCell(19, 29);
    NextDrawsCell(3, 3);
    KeysAt(TickStart(21), {kArrowPrefix, kRight});
    KeysAt(TickStart(24), {kArrowPrefix, kDown});
    for (const auto& [at_ms, codes, column] : box_keys) KeysAt(Millis(at_ms), codes);
    EXPECT_EQ(controller.PlayGame(), 2);
    EXPECT_EQ(console.Now(), Millis(7000));
    EXPECT_EQ(console.keys_left(), 1u);

    const std::tuple<int, int, int, const char*, int> cells[] = {
        {1, 16, 10, "●", 14},   // the head reaches the first food
        {2, 16, 8, "●", 6},     // one tick later the snake grows: the tail stays
        {2, 16, 12, "★", 13},   // and the next food is drawn
        {8, 19, 29, " ", 18},   // the fifth food's big food, hidden by its first flash
        {23, 19, 29, "●", 14},  // eaten by a step,
        {23, 20, 29, "●", 14},  // followed by a second step
        {24, 20, 30, "●", 14},  // the fatal step is drawn over the wall
    };
    for (const auto& [tick, x, y, glyph, attribute] : cells) {
        SCOPED_TRACE(::testing::Message() << "tick " << tick << " (" << x << ", " << y << ")");
        EXPECT_EQ(GlyphAt(DuringTick(tick), x, y), glyph);
        EXPECT_EQ(AttributeAt(DuringTick(tick), x, y), attribute);
    }
    // The score field, the snake's length and the big food's bar.
    const std::tuple<int, const char*, int, int, int> ticks[] = {
        {1, "        ", 3, 0, 0},    // nothing eaten yet
        {2, "      20", 4, 0, 0},    // 20 points a food in mode 2
        {8, "      80", 7, 1, 19},   // the fifth food comes with the big food
        {22, "     100", 8, 15, 5},  // 25 left
        {23, "     160", 9, 0, 0},   // 60 points for the big food, and its bar gone
    };
    for (const auto& [tick, score_field, length, drained, full] : ticks) {
        SCOPED_TRACE(::testing::Message() << "tick " << tick);
        const Screen& screen = DuringTick(tick);
        EXPECT_EQ(TextAt(screen, 72, 8, 8), score_field);
        EXPECT_EQ(CellsShowing(screen, "●").size(), static_cast<std::size_t>(length));
        EXPECT_EQ(BarAt(screen),
                  Repeat("○", drained) + Repeat("●", full) + Repeat(" ", 20 - drained - full));
    }

    EXPECT_EQ(TextAt(screen(), 32, 16, 20), "你卷到的分数为：160 ");
    for (const auto& [at_ms, codes, highlighted] : box_keys) {
        const Screen& screen = console.ScreenAt(Millis(at_ms + 100));
        for (int column : {50, 58}) {
            const int wanted = column == highlighted ? kHighlight : kPlain;
            for (int covered : {column, column + 5}) {
                EXPECT_EQ(screen.At(covered, 18).attribute, wanted)
                    << "after the keys at " << at_ms << " ms";
            }
        }
    }
}

TEST_F(RoundTest, OneFoodScoresByModeInAnEightColumnField) {
    // Mode 2 scores in the scripted round.
    const std::tuple<int, int, const char*> paces[] = {
        {1, 135, "      10"}, {3, 60, "      30"}, {4, 35, "      55"}};
    for (const auto& [mode, tick_ms, field] : paces) {
        SCOPED_TRACE(::testing::Message() << "mode " << mode);
        controller.mode = mode;
        controller.tick_ms = tick_ms;
        controller.score = 0;
        NextDrawsCell(16, 10);
        FoodOutOfTheWay();
        KeysAt(console.Now() + kMuchLater, {kEnter});
        EXPECT_EQ(controller.PlayGame(), 1);
        EXPECT_EQ(TextAt(screen(), 72, 8, 9), std::string(field) + " ");
        EXPECT_EQ(console.screen().At(72, 8).attribute, kPlain);
    }
}

// ESC in tick 3, the menu answered at 5000 ms: the held tick makes its step at
// once, before its pause.
TEST_F(RoundTest, PauseHoldsTheTickAndContinuingStepsAtOnce) {
    FoodOutOfTheWay();
    KeysAt(TickStart(3), {kEscape});
    KeysAt(Millis(5000), {kEnter});
    KeysAt(kMuchLater, {kEnter});
    EXPECT_EQ(controller.PlayGame(), 1);

    const Screen& waiting = console.ScreenAt(Millis(4000));
    EXPECT_EQ(TextAt(waiting, 64, 19, 6), "菜单：");
    EXPECT_EQ(GlyphAt(waiting, 16, 11) + GlyphAt(waiting, 16, 12), "● ");
    const Screen& continued = console.ScreenAt(Millis(5050));
    EXPECT_EQ(GlyphAt(continued, 16, 12), "●");
    for (int row : {19, 21, 23, 25}) EXPECT_EQ(TextAt(continued, 64, row, 12), Repeat(" ", 12));
    EXPECT_EQ(GlyphAt(console.ScreenAt(Millis(5150)), 16, 13), "●") << "still heading down";
}

// Restart and exit leave the menu on the screen and draw no game-over box.
TEST(MenuTest, KeysPickTheItem) {
    // The keys, the item picked (2 restart, 3 exit), the result, the codes left.
    const std::tuple<std::vector<int>, int, int, std::size_t> cases[] = {
        {{kEscape, kArrowPrefix, kUp, kArrowPrefix, kDown, kEnter}, 2, 1, 0},
        {{kArrowPrefix, kDown, 'P', kArrowPrefix, kDown, kEnter}, 3, 2, 0},
        // A function key's 0 confirms, and leaves its second code.
        {{kArrowPrefix, kDown, kFunctionPrefix, kUp}, 2, 1, 1},
    };
    for (const auto& [codes, item, result, keys_left] : cases) {
        platform::VirtualConsole console;
        ConsoleScope scope(console);
        console.ScriptRandom({1, 1});
        console.PushKeys({kEscape}, Millis(250));
        for (int code : codes) console.PushKeys({code}, Millis(250));
        Controller controller;
        EXPECT_EQ(controller.PlayGame(), result);
        EXPECT_EQ(console.keys_left(), keys_left);
        EXPECT_NE(console.screen().At(16, 9).glyph, "━");
        for (int row : {21, 23, 25}) {
            EXPECT_EQ(console.screen().At(68, row).attribute,
                      row == 19 + 2 * item ? kHighlight : kPlain);
        }
    }
}

}  // namespace
