#include <tuple>
#include <utility>

#include "controller.h"
#include "game_fixture.h"

namespace {

using namespace platform::key;

using Millis = std::chrono::milliseconds;
constexpr Millis kLater = Millis(3'600'000);

// The title's 64 cells on rows 12 to 16, one character per cell from cell
// column 0: the letters S N A K E.
const std::string kTitle[] = {
    "       #### #   #   #   #   # ####", "      #     ##  #  # #  # ##  #   ",
    "       ###  # # # #   # ##    ####", "          # #  ## ##### # ##  #   ",
    "      ####  #   # #   # #   # ####",
};

class SequenceTest : public GameTest {
protected:
    static void ExpectTitleOnly(const platform::Screen& screen) {
        for (int row = 12; row <= 16; ++row) {
            const std::string& picture = kTitle[row - 12];
            std::string expected;
            for (char cell : picture) expected += cell == '#' ? "■" : "  ";
            expected += std::string(2 * (41 - picture.size()), ' ');
            EXPECT_EQ(screen.RowText(row), expected) << "row " << row;
            EXPECT_EQ(screen.At(2 * picture.find('#'), row).attribute, 2);
        }
        EXPECT_EQ(screen.Render().find("●"), std::string::npos);
    }
    // Chooses the custom mode and answers the prompt with `reply`.
    void ChooseCustom(const std::string& reply) {
        console.PushKeys({kDown, kDown, kDown, kEnter});
        console.PushLine(reply);
        controller.Select();
    }
    std::string Row(int row) const { return console.screen().RowText(row); }

    Controller controller;
};

TEST_F(SequenceTest, OpeningPlaysSixtyFourFramesAndLeavesTheTitle) {
    console.RecordFrames(true);
    controller.Start();
    EXPECT_TRUE(!console.cursor().shown);
    EXPECT_EQ(console.title(), "Wendlecrux Snake");
    EXPECT_EQ(console.requested_size(), std::make_pair(82, 32));
    ASSERT_EQ(console.Sleeps().size(), 64u);
    for (const auto& slept : console.Sleeps()) EXPECT_EQ(slept.duration, Millis(35));
    ExpectTitleOnly(console.screen());

    // Frame 10: the snake grown in along the zig-zag. Frame 40: crawled to its
    // head at (39,14). Frame 41 erases the tail (30,15) and reveals column 6;
    // frame 46 already reveals column 12, past the gap; frame 61 redraws (30,15)
    // as part of the E.
    const std::tuple<int, int, int, const char*> moments[] = {
        {10, 0, 12, "●"},  {10, 1, 12, "●"},  {10, 5, 16, "●"},  {10, 9, 12, "●"},
        {40, 39, 14, "●"}, {40, 30, 15, "●"}, {40, 29, 14, " "}, {41, 30, 15, " "},
        {41, 6, 13, "■"},  {46, 12, 12, "■"}, {60, 30, 15, " "}, {61, 30, 15, "■"},
    };
    for (const auto& [frame, x, y, glyph] : moments) {
        EXPECT_EQ(console.ScreenAt(Millis(35 * frame - 1)).At(2 * x, y).glyph, glyph)
            << "frame " << frame << " cell " << x << "," << y;
    }
}

TEST_F(SequenceTest, WelcomeLinesWaitForAKeyEachAndATwoCodeKeyTakesTwo) {
    console.RecordFrames(true);
    console.PushKeys({kArrowPrefix, kUp});
    console.PushKeys({kEnter}, Millis(5000));
    controller.Background();
    ASSERT_EQ(console.Sleeps().size(), 10u + 7u + 11u);
    for (const auto& slept : console.Sleeps()) EXPECT_EQ(slept.duration, Millis(100));
    const auto line_at = [&](int ms, int width) {
        return console.ScreenAt(Millis(ms)).RowText(22).substr(30, width);
    };
    EXPECT_EQ(line_at(450, 16), "欢迎来到Kv  ");
    EXPECT_EQ(line_at(999, 28), "欢迎来到Kvor蛇游戏！");
    EXPECT_EQ(line_at(1699, 21), "既然来了的话，");
    EXPECT_EQ(line_at(4999, 33), "就努力成为最卷的蛇吧！");
    EXPECT_EQ(console.Now(), Millis(5000)) << "the arrow's codes waited for nobody";
    EXPECT_EQ(Row(22), std::string(82, ' '));
    EXPECT_EQ(console.attribute(), 3);
}

TEST_F(SequenceTest, FirstMenuIsDrawnBelowTheTitle) {
    console.PushKeys({kEnter, kEnter, kEnter});
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
    EXPECT_EQ(console.cursor().row, 31);
}

TEST_F(SequenceTest, ChosenModeSetsThePaceAndTheDifficultyLine) {
    // Up on the first item and down on the last do not wrap around; "P" moves
    // like the down arrow, and 0 confirms like Enter.
    // Each line padded to the 16 columns the longest takes.
    const std::tuple<std::vector<int>, int, const char*> modes[] = {
        {{kEnter}, 135, "摆烂模式（135） "},
        {{kArrowPrefix, kUp, kArrowPrefix, kDown, kEnter}, 100, "平凡模式（100） "},
        {{'P', 'P', kArrowPrefix, kUp, 'P', kFunctionPrefix}, 60, "学怪模式（60）  "},
        {{kDown, kDown, kDown, kDown, kDown, kArrowPrefix, kLeft, kEnter}, 35, "卷王模式（35）  "},
    };
    int mode = 1;
    for (const auto& [keys, tick_ms, line] : modes) {
        for (int code : keys) console.PushKeys({code});
        console.PushLine("35");
        controller.score = 990;
        controller.Select();
        EXPECT_EQ(controller.mode, mode++);
        EXPECT_EQ(controller.tick_ms, tick_ms);
        EXPECT_EQ(controller.score, 0);
        controller.DrawGame();
        EXPECT_EQ(TextAt(66, 5, 16), line);
        EXPECT_EQ(console.screen().At(66, 5).attribute, 3);
    }
}

TEST_F(SequenceTest, TheLimitsAreAcceptedAsTypedAndEachRoundReadsItsOwnReply) {
    ChooseCustom("20 40");
    EXPECT_EQ(controller.tick_ms, 20);
    EXPECT_EQ(TextAt(16, 20, 47), "请输入你想卷的程度（数值越低越卷）（20 ~ 50）：");
    EXPECT_EQ(Row(22).substr(26, 10), ">>>  20 40");
    ClearScreen();
    ChooseCustom("509\b");
    EXPECT_EQ(controller.tick_ms, 50) << "nothing of the earlier reply is left to read";
    EXPECT_EQ(Row(22).substr(26, 8), ">>>  50 ") << "Backspace takes the digit off the screen";
    EXPECT_TRUE(console.Sleeps().empty()) << "no remark";
}

// A reply, and the remark it earns, typed out one character at a time.
struct Remark {
    const char* name;
    const char* reply;
    const char* text;
    std::size_t characters;
};

class RemarkTest : public SequenceTest, public ::testing::WithParamInterface<Remark> {};

TEST_P(RemarkTest, OutOfRangeEarnsARemarkAndARandomPace) {
    const auto& [name, reply, text, steps] = GetParam();
    console.SetCalendarTime(1'700'000'000);
    ChooseCustom(reply);
    // The generator is seeded from the calendar time right before its one draw.
    platform::VirtualConsole reference;
    reference.SeedRandom(1'700'000'000);
    EXPECT_EQ(controller.mode, 4);
    EXPECT_EQ(controller.tick_ms, reference.Random() % 31 + 20);
    const std::string remark = std::string(text) + "我直接安排你！";
    EXPECT_EQ(Row(24).substr(20, remark.size()), remark);
    EXPECT_EQ(console.screen().At(20, 24).attribute, 12);
    // One sleep of 60 ms per character typed, and 300 ms after the remark and
    // at the end.
    const auto& sleeps = console.Sleeps();
    ASSERT_EQ(sleeps.size(), steps + 1 + 7 + 1);
    for (std::size_t i = 0; i < sleeps.size(); ++i) {
        const bool pause = i == steps || i + 1 == sleeps.size();
        EXPECT_EQ(sleeps[i].duration, Millis(pause ? 300 : 60)) << "sleep " << i;
    }
}

constexpr const char* kTooFast = "差不多得了。。。真这么爱卷嘛。。。";
constexpr const char* kTooSlow = "这难度。。。还想当卷王？。。。";

INSTANTIATE_TEST_SUITE_P(Replies, RemarkTest,
                         ::testing::Values(Remark{"Nineteen", "19", kTooFast, 17},
                                           Remark{"FiftyOne", "51", kTooSlow, 15},
                                           Remark{"NoNumber", "abc", kTooFast, 17},
                                           Remark{"PastTheLargestInt", "99999999999", kTooSlow,
                                                  15}),
                         [](const auto& info) { return std::string(info.param.name); });

// Plays a whole run: welcome lines, a round in mode 2 into the wall, another
// round from the game-over box, a round in mode 1, and the exit.
TEST_F(SequenceTest, AWholeRunEndsAtTheExitChoice) {
    console.RecordFrames(true);
    console.PushKeys({kArrowPrefix, kDown, kEnter, kArrowPrefix, kDown, kEnter});
    console.PushKeys({kEnter}, kLater);
    console.PushKeys({kEnter}, kLater * 2);
    console.PushKeys({kArrowPrefix, kRight, kEnter}, kLater * 3);
    controller.Game();
    EXPECT_EQ(console.keys_left(), 0u);
    EXPECT_EQ(console.clears(), 3) << "two game screens and the restart";

    // The second menu, waiting for its key on a cleared screen.
    const platform::Screen& menu = console.ScreenAt(kLater * 2 - Millis(1));
    EXPECT_EQ(menu.RowText(13), std::string(82, ' ')) << "no title after the restart";
    EXPECT_EQ(menu.At(36, 22).attribute, 113);
    EXPECT_EQ(menu.At(36, 22).glyph + menu.At(38, 22).glyph, "摆烂");

    // The last round ran in mode 1, and its end stays on the screen.
    EXPECT_EQ(TextAt(66, 5, 15), "摆烂模式（135）");
    EXPECT_EQ(TextAt(32, 30, 2), "●") << "the head drawn over the wall";
}

}  // namespace
