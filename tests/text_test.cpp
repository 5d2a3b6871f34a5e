#include "platform/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using platform::DisplayWidth;
using platform::ParseLeadingInt;
using platform::TypingUnits;

struct Literal {
    const char* text;
    int gbk_bytes;  // the byte count the screens were laid out with
    int box_chars;  // "━" and "┃", one column each though two GBK bytes
};

// Every text the game writes, with the byte length its layout was built on.
constexpr Literal kLiterals[] = {
    {"Wendlecrux Snake", 16, 0},
    {"Kvor蛇", 6, 0},
    {"难度：", 6, 0},
    {"得分：", 6, 0},
    {"     0", 6, 0},
    {" 方向键移动", 11, 0},
    {" ESC键暂停", 10, 0},
    {"摆烂模式（135）", 15, 0},
    {"平凡模式（100）", 15, 0},
    {"学怪模式（60）", 14, 0},
    {"卷王模式（", 10, 0},
    {"）", 2, 0},
    {"菜单：", 6, 0},
    {"继续游戏", 8, 0},
    {"重新开始", 8, 0},
    {"退出游戏", 8, 0},
    {"继续卷", 6, 0},
    {"卷个**", 6, 0},
    {"你卷到的分数为：", 16, 0},
    {"要不要再卷一把（疯狂引诱）？", 28, 0},
    {"摆烂模式", 8, 0},
    {"平凡模式", 8, 0},
    {"学怪模式", 8, 0},
    {"卷王模式", 8, 0},
    {"请选择你的Kvor模式：", 20, 0},
    {"请输入你想卷的程度（数值越低越卷）（20 ~ 50）：", 47, 0},
    {">>>  ", 5, 0},
    {"这难度。。。还想当卷王？。。。", 30, 0},
    {"差不多得了。。。真这么爱卷嘛。。。", 34, 0},
    {"我直接安排你！", 14, 0},
    {"欢迎来到Kvor蛇游戏！", 20, 0},
    {"既然来了的话，", 14, 0},
    {"就努力成为最卷的蛇吧！", 22, 0},
    {"■", 2, 0},
    {"●", 2, 0},
    {"★", 2, 0},
    {"○", 2, 0},
    {"  ", 2, 0},
    {"━", 2, 1},
    {"┃", 2, 1},
};

TEST(DisplayWidth, EveryLiteralIsAsWideAsItsGbkBytesLessTheBoxCharacters) {
    for (const Literal& literal : kLiterals) {
        EXPECT_EQ(DisplayWidth(literal.text), literal.gbk_bytes - literal.box_chars)
            << literal.text;
    }
}

TEST(DisplayWidth, GameOverBoxRowsSpanColumnsFourteenToSixtyEight) {
    const std::string rule = [] {
        std::string text;
        for (int i = 0; i < 53; ++i) text += "━";
        return text;
    }();
    EXPECT_EQ(DisplayWidth(rule), 53) << "columns 16 to 68";
    const char* rows[] = {
        " ┃                                                    ┃",
        " ┃  ■■■  ■        ■■      ■■  ■■■      ■  ┃",
        " ┃    ■    ■■■  ■  ■    ■  ■  ■  ■  ■■■  ┃",
        " ┃    ■    ■  ■  ■■      ■■    ■  ■  ■  ■  ┃",
        " ┃    ■    ■  ■    ■■      ■■  ■  ■  ■■■  ┃",
        " ┃                你卷到的分数为：                    ┃",
        " ┃    要不要再卷一把（疯狂引诱）？  继续卷  卷个**    ┃",
    };
    for (const char* row : rows) EXPECT_EQ(DisplayWidth(row), 55) << row;
}

TEST(DisplayWidth, MalformedBytesStillAdvance) {
    EXPECT_EQ(DisplayWidth("\xff"), 2);
    EXPECT_EQ(DisplayWidth("a\xe4\xbd"), 5) << "each byte of a cut-off character counts";
    EXPECT_EQ(DisplayWidth("\xc0\x80"), 4) << "an overlong encoding is not a NUL";
}

TEST(TypingUnits, StepsShowTwoColumnsEach) {
    const auto units = TypingUnits("欢迎来到Kvor蛇游戏！");
    ASSERT_EQ(units.size(), 10u);
    EXPECT_EQ(units[4], "Kv");
    EXPECT_EQ(units[5], "or");
    EXPECT_EQ(units[6], "蛇");
    EXPECT_EQ(TypingUnits("既然来了的话，").size(), 7u);
    EXPECT_EQ(TypingUnits("就努力成为最卷的蛇吧！").size(), 11u);
    EXPECT_EQ(TypingUnits("这难度。。。还想当卷王？。。。").size(), 15u);
    EXPECT_EQ(TypingUnits("差不多得了。。。真这么爱卷嘛。。。").size(), 17u);
    EXPECT_EQ(TypingUnits("我直接安排你！").size(), 7u);
    std::string joined;
    for (auto unit : units) joined += unit;
    EXPECT_EQ(joined, "欢迎来到Kvor蛇游戏！");
}

TEST(ParseLeadingInt, ReadsAsFormattedExtractionDoes) {
    EXPECT_EQ(ParseLeadingInt("35"), 35);
    EXPECT_EQ(ParseLeadingInt("  \t 20"), 20);
    EXPECT_EQ(ParseLeadingInt("+50"), 50);
    EXPECT_EQ(ParseLeadingInt("-7"), -7);
    EXPECT_EQ(ParseLeadingInt("0012"), 12);
    EXPECT_EQ(ParseLeadingInt("1e3"), 1);
    EXPECT_EQ(ParseLeadingInt("0x1A"), 0);
    EXPECT_EQ(ParseLeadingInt("30 40"), 30);
    EXPECT_EQ(ParseLeadingInt("abc"), 0);
    EXPECT_EQ(ParseLeadingInt("-"), 0);
    EXPECT_EQ(ParseLeadingInt(""), 0);
}

TEST(ParseLeadingInt, OutOfRangeClampsToTheLimits) {
    EXPECT_EQ(ParseLeadingInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("2147483648"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt("-2147483649"), INT_MIN);
    EXPECT_EQ(ParseLeadingInt("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-99999999999999999999999"), INT_MIN);
}

}  // namespace
