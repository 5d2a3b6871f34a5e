// The opening, the welcome lines, the difficulty selection and a whole run.
#include <tuple>
#include <utility>

#include "controller.h"
#include "game_fixture.h"

namespace {

using namespace platform::key;
using Millis = std::chrono::milliseconds;
constexpr Millis kLater = Millis(3'600'000);

// The title: 64 cells of "■" in green on rows 12 to 16, in the 24 occupied
// columns 6-10, 12-16, 18-22, 24-28 and 30-33; and nothing of the snake.
void ExpectTitleOnly(const Screen& screen) {
    int cells = 0;
    std::vector<int> columns;
    for (int x = 0; x <= 40; ++x) {
        for (int y = 0; y <= 31; ++y) {
            if (GlyphAt(screen, x, y) != "■") continue;
            ++cells;
            EXPECT_TRUE(y >= 12 && y <= 16 && AttributeAt(screen, x, y) == 2) << x << "," << y;
            if (columns.empty() || columns.back() != x) columns.push_back(x);
        }
    }
    EXPECT_EQ(cells, 64);
    EXPECT_EQ(columns, (std::vector<int>{6,  7,  8,  9,  10, 12, 13, 14, 15, 16, 18, 19,
                                         20, 21, 22, 24, 25, 26, 27, 28, 30, 31, 32, 33}));
    for (int row = 0; row < Screen::kRows; ++row) {
        EXPECT_EQ(RowText(screen, row).find("●"), std::string::npos);
    }
}

class SequenceTest : public GameTest {
protected:
    // Chooses the custom mode and answers the prompt with `reply`.
    void ChooseCustom(const std::string& reply) {
        console.PushKeys({kDown, kDown, kDown, kEnter});
        console.PushLine(reply);
        controller.Select();
    }
    std::string Row(int row) const { return RowText(screen(), row); }

    Controller controller;
};

// 64 frames of 35 ms: the snake grows in along its zig-zag (frame 10), crawls
// to its head at (39, 14) (frame 40), then vanishes while the title is
// revealed a column a frame, past the gaps, its E drawn over the snake's
// last cells.
TEST_F(SequenceTest, OpeningPlaysSixtyFourFramesAndLeavesTheTitle) {
    console.RecordFrames(true);
    controller.Start();
    EXPECT_TRUE(!console.cursor().shown);
    EXPECT_EQ(console.title(), "Wendlecrux Snake");
    EXPECT_EQ(console.requested_size(), std::make_pair(82, 32));
    EXPECT_EQ(console.Now(), Millis(64 * 35));
    ExpectTitleOnly(screen());
    const std::tuple<int, int, int, const char*> moments[] = {
        {10, 0, 12, "●"},  {10, 1, 12, "●"},  {10, 5, 16, "●"},  {10, 9, 12, "●"},
        {40, 39, 14, "●"}, {40, 30, 15, "●"}, {40, 29, 14, " "}, {41, 30, 15, " "},
        {41, 6, 13, "■"},  {46, 12, 12, "■"}, {60, 30, 15, " "}, {61, 30, 15, "■"},
    };
    for (const auto& [frame, x, y, glyph] : moments) {
        EXPECT_EQ(GlyphAt(console.ScreenAt(Millis(35 * frame - 1)), x, y), glyph)
            << "frame " << frame << " cell " << x << "," << y;
    }
}

// Typed at 100 ms a step, each line waits for its key; an arrow's two codes
// dismiss two lines, the second as soon as its line is complete.
TEST_F(SequenceTest, WelcomeLinesWaitForAKeyEachAndATwoCodeKeyTakesTwo) {
    console.RecordFrames(true);
    console.PushKeys({kArrowPrefix, kUp});
    console.PushKeys({kEnter}, Millis(5000));
    controller.Background();
    const auto line_at = [&](int ms, int width) {
        return RowText(console.ScreenAt(Millis(ms)), 22).substr(30, width);
    };
    EXPECT_EQ(line_at(450, 16), "欢迎来到Kv  ");
    EXPECT_EQ(line_at(999, 28), "欢迎来到Kvor蛇游戏！");
    EXPECT_EQ(line_at(1699, 21), "既然来了的话，");
    EXPECT_EQ(line_at(4999, 33), "就努力成为最卷的蛇吧！");
    EXPECT_EQ(console.Now(), Millis(5000)) << "the arrow's codes waited for nobody";
    EXPECT_EQ(Row(22), std::string(82, ' '));
    EXPECT_EQ(AttributeAt(console.ScreenAt(Millis(999)), 15, 22), 3);
}

TEST_F(SequenceTest, FirstMenuIsDrawnBelowTheTitle) {
    console.PushKeys({kEnter, kEnter, kEnter});
    controller.Start();
    controller.Background();
    EXPECT_THROW(controller.Select(), platform::VirtualConsole::OutOfInput);
    ExpectTitleOnly(screen());
    EXPECT_EQ(TextAt(screen(), 26, 20, 20), "请选择你的Kvor模式：");
    const char* items[] = {"摆烂模式", "平凡模式", "学怪模式", "卷王模式"};
    for (int m = 1; m <= 4; ++m) {
        EXPECT_EQ(TextAt(screen(), 36, 20 + 2 * m, 8), items[m - 1]);
        EXPECT_EQ(screen().At(36, 20 + 2 * m).attribute, m == 1 ? 113 : 3);
    }
    EXPECT_EQ(console.cursor().row, 31);
}

// Up on the first item and down on the last do not wrap around; "P" moves
// like the down arrow, and 0 confirms like Enter. Each difficulty line is
// padded to the 16 columns the longest takes.
TEST_F(SequenceTest, ChosenModeSetsThePaceAndTheDifficultyLine) {
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
        EXPECT_EQ(TextAt(screen(), 66, 5, 16), line);
        EXPECT_EQ(screen().At(66, 5).attribute, 3);
    }
}

// Replies at the limits are taken as typed, Backspace and all; out of range,
// a reply earns a remark typed out at 60 ms a character (three bytes each),
// with 300 ms pauses, and a pace drawn from the generator seeded from the
// clock. Each round reads its own reply, nothing of the one before.
TEST_F(SequenceTest, ThePaceIsTakenWithinTheLimitsAndRemarkedOnOutside) {
    const std::tuple<const char*, const char*, int, std::string> replies[] = {
        {"20 40", ">>>  20 40", 20, ""},
        {"509\b", ">>>  50 ", 50, ""},
        {"19", ">>>  19", 0, "差不多得了。。。真这么爱卷嘛。。。我直接安排你！"},
        {"51", ">>>  51", 0, "这难度。。。还想当卷王？。。。我直接安排你！"},
    };
    platform::VirtualConsole reference;
    reference.SeedRandom(1'700'000'000);
    const int random_pace = reference.Random() % 31 + 20;
    for (const auto& [reply, shown, pace, remark] : replies) {
        SCOPED_TRACE(reply);
        ClearScreen();
        console.SetCalendarTime(1'700'000'000);
        const Millis start = console.Now();
        ChooseCustom(reply);
        EXPECT_EQ(TextAt(screen(), 16, 20, 47), "请输入你想卷的程度（数值越低越卷）（20 ~ 50）：");
        EXPECT_EQ(Row(22).substr(26, std::string(shown).size()), shown);
        EXPECT_EQ(controller.tick_ms, pace == 0 ? random_pace : pace);
        if (!remark.empty()) {
            EXPECT_EQ(Row(24).substr(20, remark.size()), remark);
            EXPECT_EQ(screen().At(20, 24).attribute, 12);
        }
        EXPECT_EQ(console.Now() - start, Millis(remark.empty() ? 0 : 20 * remark.size() + 600));
    }
}

// A whole run: welcome lines, a round in mode 2 into the wall, another round
// from the game-over box, a round in mode 1, and the exit.
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
    const Screen& menu = console.ScreenAt(kLater * 2 - Millis(1));
    EXPECT_EQ(RowText(menu, 13), std::string(82, ' ')) << "no title after the restart";
    EXPECT_EQ(menu.At(36, 22).attribute, 113);
    EXPECT_EQ(TextAt(menu, 36, 22, 4), "摆烂");
    // The last round ran in mode 1, and its end stays on the screen.
    EXPECT_EQ(TextAt(screen(), 66, 5, 15), "摆烂模式（135）");
    EXPECT_EQ(TextAt(screen(), 32, 30, 2), "●") << "the head drawn over the wall";
}

}  // namespace
