#include <set>
#include <utility>

#include "controller.h"
#include "game_fixture.h"
#include "platform/text.h"

namespace {

using Millis = std::chrono::milliseconds;
constexpr Millis kLater = Millis(3'600'000);

// The title's cells by row, as the letters S N A K E are drawn.
const std::pair<int, std::vector<int>> kTitleRows[] = {
    {12, {7, 8, 9, 10, 12, 16, 20, 24, 28, 30, 31, 32, 33}},
    {13, {6, 12, 13, 16, 19, 21, 24, 26, 27, 30}},
    {14, {7, 8, 9, 12, 14, 16, 18, 22, 24, 25, 30, 31, 32, 33}},
    {15, {10, 12, 15, 16, 18, 19, 20, 21, 22, 24, 26, 27, 30}},
    {16, {6, 7, 8, 9, 12, 16, 18, 22, 24, 28, 30, 31, 32, 33}},
};

class SequenceTest : public GameTest {
protected:
    void ExpectTitleOnly(const platform::Screen& screen) {
        int cells = 0;
        for (const auto& [row, columns] : kTitleRows) {
            const std::set<int> expected(columns.begin(), columns.end());
            for (int x = 0; x <= 40; ++x) {
                const auto& cell = screen.At(2 * x, row);
                EXPECT_EQ(cell.glyph, expected.count(x) ? "■" : " ") << x << "," << row;
                if (expected.count(x)) {
                    EXPECT_EQ(cell.attribute, 2);
                }
            }
            cells += static_cast<int>(columns.size());
        }
        EXPECT_EQ(cells, 64);
        EXPECT_EQ(screen.Render().find("●"), std::string::npos);
    }
    std::string Row(int row) const { return console.screen().RowText(row); }

    Controller controller;
};

TEST_F(SequenceTest, OpeningPlaysSixtyFourFramesAndLeavesTheTitle) {
    console.RecordFrames(true);
    controller.Start();
    EXPECT_TRUE(console.cursor_hidden());
    EXPECT_EQ(console.title(), "Wendlecrux Snake");
    EXPECT_EQ(console.requested_size(), std::make_pair(82, 32));
    ASSERT_EQ(console.Sleeps().size(), 64u);
    for (const auto& slept : console.Sleeps()) EXPECT_EQ(slept.duration, Millis(35));
    ExpectTitleOnly(console.screen());
    EXPECT_EQ(console.attribute(), 2);

    const auto frame = [&](int k) -> const platform::Screen& {
        return console.ScreenAt(Millis(35 * k - 1));
    };
    // Ten cells grown in, along the zig-zag from (0,12).
    EXPECT_EQ(frame(10).Render().substr(0, 12 * 1), std::string(12, '\n'));
    for (auto [x, y] : {std::pair{0, 12}, {1, 12}, {5, 16}, {9, 12}}) {
        EXPECT_EQ(frame(10).At(2 * x, y).glyph, "●") << x;
    }
    // Frame 40: the head at (39,14), the tail at column 30.
    EXPECT_EQ(frame(40).At(78, 14).glyph, "●");
    EXPECT_EQ(frame(40).At(60, 15).glyph, "●");
    EXPECT_EQ(frame(40).At(58, 14).glyph, " ");
    // Frame 41 erases (30,15) and reveals column 6; frame 61 redraws (30,15)
    // as part of the E.
    EXPECT_EQ(frame(41).At(60, 15).glyph, " ");
    EXPECT_EQ(frame(41).At(12, 13).glyph, "■");
    EXPECT_EQ(frame(41).At(12, 16).glyph, "■");
    EXPECT_EQ(frame(41).At(14, 12).glyph, " ");
    EXPECT_EQ(frame(60).At(60, 15).glyph, " ");
    EXPECT_EQ(frame(61).At(60, 15).glyph, "■");
    // The gap column 11 costs no frame: frame 46 already shows column 12.
    EXPECT_EQ(frame(46).At(24, 12).glyph, "■");
}

TEST_F(SequenceTest, WelcomeLinesWaitForAKeyEachAndATwoCodeKeyTakesTwo) {
    console.RecordFrames(true);
    console.PushKeys({224, 72});
    console.PushKeys({13}, Millis(5000));
    controller.Background();
    std::vector<Millis> steps;
    for (const auto& slept : console.Sleeps()) {
        EXPECT_EQ(slept.duration, Millis(100));
    }
    EXPECT_EQ(console.Sleeps().size(), 10u + 7u + 11u);
    EXPECT_EQ(console.ScreenAt(Millis(999)).RowText(22).substr(30, 28), "欢迎来到Kvor蛇游戏！");
    EXPECT_EQ(console.ScreenAt(Millis(450)).RowText(22).substr(30, 16), "欢迎来到Kv  ");
    EXPECT_EQ(console.ScreenAt(Millis(1699)).RowText(22).substr(30, 21), "既然来了的话，");
    EXPECT_EQ(console.ScreenAt(Millis(4999)).RowText(22).substr(30, 33), "就努力成为最卷的蛇吧！");
    EXPECT_EQ(console.Now(), Millis(5000)) << "the arrow's codes waited for nobody";
    EXPECT_EQ(Row(22), std::string(82, ' '));
    EXPECT_EQ(console.attribute(), 3);
}

TEST_F(SequenceTest, FirstMenuIsDrawnBelowTheTitle) {
    console.PushKeys({13, 13, 13});
    console.PushKeys({27}, kLater);
    controller.Start();
    controller.Background();
    EXPECT_THROW(controller.Select(), platform::VirtualConsole::OutOfInput);
    ExpectTitleOnly(console.screen());
    EXPECT_EQ(TextAt(26, 20, 20), "请选择你的Kvor模式：");
    const char* items[] = {"摆烂模式", "平凡模式", "学怪模式", "卷王模式"};
    for (int m = 1; m <= 4; ++m) {
        EXPECT_EQ(TextAt(36, 20 + 2 * m, 8), items[m - 1]);
        EXPECT_EQ(console.screen().At(36, 20 + 2 * m).attribute, m == 1 ? 113 : 3);
    }
    EXPECT_EQ(console.cursor_row(), 31);
}

struct ModeCase {
    std::vector<int> keys;
    int mode;
    int tick_ms;
    const char* line;
};

class ModeTest : public SequenceTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeTest, ChosenModeSetsThePaceAndTheDifficultyLine) {
    for (int code : GetParam().keys) console.PushKeys({code});
    console.PushLine("35");
    controller.score = 990;
    controller.Select();
    EXPECT_EQ(controller.mode, GetParam().mode);
    EXPECT_EQ(controller.tick_ms, GetParam().tick_ms);
    EXPECT_EQ(controller.score, 0);
    controller.DrawGame();
    EXPECT_EQ(TextAt(66, 5, 16),
              GetParam().line + std::string(16 - platform::DisplayWidth(GetParam().line), ' '));
    EXPECT_EQ(console.screen().At(66, 5).attribute, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeTest,
    ::testing::Values(ModeCase{{13}, 1, 135, "摆烂模式（135）"},
                      ModeCase{{224, 80, 13}, 2, 100, "平凡模式（100）"},
                      ModeCase{{'P', 'P', 224, 72, 'P', 0}, 3, 60, "学怪模式（60）"},
                      ModeCase{{80, 80, 80, 80, 80, 224, 75, 13}, 4, 35, "卷王模式（35）"}));

TEST_F(SequenceTest, UpOnTheFirstItemAndDownOnTheLastRedrawNothing) {
    console.PushKeys({72, 80, 80, 80, 80, 80});
    EXPECT_THROW(controller.Select(), platform::VirtualConsole::OutOfInput);
    EXPECT_EQ(controller.mode, 4);
    EXPECT_EQ(console.screen().At(36, 28).attribute, 113);
    for (int row : {22, 24, 26}) EXPECT_EQ(console.screen().At(36, row).attribute, 3);
}

class CustomPaceTest : public SequenceTest {
protected:
    // Chooses the custom mode and answers the prompt with `reply`.
    void Choose(const std::string& reply) {
        console.PushKeys({80, 80, 80, 13});
        console.PushLine(reply);
        controller.Select();
    }
    // The pace the game draws for itself at this calendar time.
    static int RandomPaceAt(std::time_t time) {
        platform::VirtualConsole reference;
        reference.SeedRandom(static_cast<unsigned>(time));
        return reference.Random() % 31 + 20;
    }
};

TEST_F(CustomPaceTest, TheLimitsAreAcceptedAsTyped) {
    Choose("20");
    EXPECT_EQ(controller.tick_ms, 20);
    EXPECT_EQ(TextAt(16, 20, 47), "请输入你想卷的程度（数值越低越卷）（20 ~ 50）：");
    EXPECT_EQ(Row(22).substr(26, 7), ">>>  20");
    EXPECT_TRUE(console.Sleeps().empty());
    Choose("50");
    EXPECT_EQ(controller.tick_ms, 50);
}

struct Remark {
    const char* reply;
    const char* text;
    int steps;
};

class RemarkTest : public CustomPaceTest, public ::testing::WithParamInterface<Remark> {};

TEST_P(RemarkTest, OutOfRangeEarnsARemarkAndARandomPace) {
    console.SetCalendarTime(1'700'000'000);
    Choose(GetParam().reply);
    EXPECT_EQ(controller.mode, 4);
    EXPECT_EQ(controller.tick_ms, RandomPaceAt(1'700'000'000));
    const std::string remark = std::string(GetParam().text) + "我直接安排你！";
    EXPECT_EQ(Row(24).substr(20, remark.size()), remark);
    EXPECT_EQ(console.screen().At(20, 24).attribute, 12);
    ASSERT_EQ(console.Sleeps().size(), static_cast<std::size_t>(GetParam().steps + 1 + 7 + 1));
    EXPECT_EQ(console.Sleeps()[GetParam().steps].duration, Millis(300));
    EXPECT_EQ(console.Sleeps().front().duration, Millis(60));
    EXPECT_EQ(console.Sleeps().back().duration, Millis(300));
}

INSTANTIATE_TEST_SUITE_P(Replies, RemarkTest,
                         ::testing::Values(Remark{"19", "差不多得了。。。真这么爱卷嘛。。。", 17},
                                           Remark{"51", "这难度。。。还想当卷王？。。。", 15},
                                           Remark{"abc", "差不多得了。。。真这么爱卷嘛。。。", 17},
                                           Remark{"99999999999", "这难度。。。还想当卷王？。。。",
                                                  15}));

TEST_F(CustomPaceTest, EveryCustomRoundReadsItsOwnReply) {
    Choose("abc 40");
    ClearScreen();
    Choose("35");
    EXPECT_EQ(controller.tick_ms, 35) << "nothing of the earlier reply is left to read";
}

// Plays a whole run: welcome lines, a round in mode 2 into the wall, another
// round from the game-over box, a round in mode 1, and the exit.
TEST_F(SequenceTest, AWholeRunEndsAtTheExitChoice) {
    console.RecordFrames(true);
    console.PushKeys({224, 80, 13, 224, 80, 13});
    console.PushKeys({13}, kLater);
    console.PushKeys({13}, kLater * 2);
    console.PushKeys({224, 77, 13}, kLater * 3);
    controller.Game();
    EXPECT_EQ(console.keys_left(), 0u);
    EXPECT_EQ(console.clears(), 3) << "two game screens and the restart";

    // The second menu, waiting for its key on a cleared screen.
    const platform::Screen& menu = console.ScreenAt(kLater * 2 - Millis(1));
    EXPECT_EQ(menu.RowText(13), std::string(82, ' ')) << "no title after the restart";
    EXPECT_EQ(menu.At(36, 22).attribute, 113);
    EXPECT_EQ(menu.At(36, 22).glyph + menu.At(38, 22).glyph, "摆烂");

    EXPECT_EQ(TextAt(66, 5, 15), "摆烂模式（135）");
    EXPECT_EQ(TextAt(48, 16, 1), "0");
    EXPECT_EQ(console.screen().At(58, 18).attribute, 113);
    EXPECT_EQ(TextAt(32, 30, 2), "●") << "the head drawn over the wall";
}

}  // namespace
