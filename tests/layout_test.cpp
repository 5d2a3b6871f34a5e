// The screens of a round, whole, from the design's tables: every cell the
// game draws there, in its colour, and nothing else. The tests of real
// consoles compare with the virtual console, so this is where the layout
// is held.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "controller.h"
#include "expected_screen.h"
#include "game_fixture.h"

namespace {

using namespace platform::key;

struct Text {
    int column;
    int row;
    std::string text;
    int attribute;
};

Screen Drawn(const std::vector<Text>& texts, Screen screen = Screen()) {
    for (const auto& [column, row, text, attribute] : texts) {
        screen.Put(column, row, text, attribute);
    }
    return screen;
}

// The wall and the side panel, in cyan.
Screen GameScreen(const std::string& difficulty) {
    std::vector<Text> texts = {
        {64, 1, "Wendlecrux Snake", 3}, {68, 2, "Kvor蛇", 3},      {62, 4, "难度：", 3},
        {66, 5, difficulty, 3},         {62, 7, "得分：", 3},      {74, 8, "     0", 3},
        {70, 13, " 方向键移动", 3},     {70, 15, " ESC键暂停", 3},
    };
    for (int i = 1; i <= 30; ++i) {
        for (const auto& [x, y] : {std::pair{i, 1}, {i, 30}, {1, i}, {30, i}}) {
            texts.push_back({2 * x, y, "■", 3});
        }
    }
    return Drawn(texts);
}

// Four rows of the box's art, unit by unit: X is "■", a dot two blanks.
std::string ArtRow(std::string_view units) {
    std::string row = " ┃";
    for (const char unit : units) row += unit == 'X' ? "■" : "  ";
    return row + "┃";
}

class LayoutTest : public GameTest {
protected:
    void ExpectScreen(const Screen& expected) {
        EXPECT_EQ(Differences(expected, ShownBy(screen())), "");
    }
    Controller controller;
};

// ESC before the first step: the snake as it starts, the food, and the menu.
TEST_F(LayoutTest, ThePauseMenuStandsBelowTheHints) {
    NextDrawsCell(5, 20);
    console.PushKeys({kEscape});
    controller.DrawGame();
    EXPECT_THROW(controller.PlayGame(), platform::VirtualConsole::OutOfInput);
    ExpectScreen(Drawn({{28, 8, "●", 6},
                        {30, 8, "●", 6},
                        {32, 8, "●", 6},
                        {10, 20, "★", 13},
                        {64, 19, "菜单：", 11},
                        {68, 21, "继续游戏", 113},
                        {68, 23, "重新开始", 11},
                        {68, 25, "退出游戏", 11}},
                       GameScreen("摆烂模式（135）")));
}

// Drawn over whatever the round left on the board, with the first choice
// highlighted.
TEST_F(LayoutTest, TheGameOverBoxIsDrawnOverTheBoard) {
    console.RecordFrames(true);
    NextDrawsCell(3, 3);
    controller.score = 1234;
    controller.DrawGame();
    EXPECT_THROW(controller.PlayGame(), platform::VirtualConsole::OutOfInput);
    const std::string rule = Repeat("━", 53);
    const std::string blank = " ┃" + Repeat(" ", 52) + "┃";
    const std::vector<Text> box = {
        {16, 9, rule, 11},
        {14, 10, blank, 11},
        {14, 11, ArtRow(".XXX.X....XX...XX.XXX...X."), 11},
        {14, 12, ArtRow("..X..XXX.X.X..X.X.X.X.XXX."), 11},
        {14, 13, ArtRow("..X..X.X.XX...XX..X.X.X.X."), 11},
        {14, 14, ArtRow("..X..X.X..XX...XX.X.X.XXX."), 11},
        {14, 15, blank, 11},
        {14, 16, " ┃" + Repeat(" ", 16) + "你卷到的分数为：1234" + Repeat(" ", 16) + "┃", 11},
        {14, 17, blank, 11},
        {14, 18, " ┃    要不要再卷一把（疯狂引诱）？  继续卷  卷个**    ┃", 11},
        {50, 18, "继续卷", 113},
        {14, 19, blank, 11},
        {16, 20, rule, 11},
    };
    const auto& sleeps = console.Sleeps();
    const auto before_box = std::find_if(sleeps.begin(), sleeps.end(), [](const auto& slept) {
        return slept.duration.count() == 500;
    });
    ASSERT_NE(before_box, sleeps.end());
    ExpectScreen(Drawn(box, console.ScreenAt(before_box->at)));
}

}  // namespace
