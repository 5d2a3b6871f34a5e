#include "platform/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using platform::DisplayWidth;
using platform::ParseLeadingInt;
using platform::TypingUnits;

// Every text the game writes, by the GBK byte count its layout was built on.
// "━" and "┃" are the exception, one column for two bytes; the game-over box
// test below covers them.
const std::pair<int, std::vector<const char*>> kLiteralsByGbkBytes[] = {
    {2, {"）", "■", "●", "★", "○", "  "}},
    {5, {">>>  "}},
    {6, {"Kvor蛇", "难度：", "得分：", "     0", "菜单：", "继续卷", "卷个**"}},
    {8, {"继续游戏", "重新开始", "退出游戏", "摆烂模式", "平凡模式", "学怪模式", "卷王模式"}},
    {10, {" ESC键暂停", "卷王模式（"}},
    {11, {" 方向键移动"}},
    {14, {"学怪模式（60）", "我直接安排你！", "既然来了的话，"}},
    {15, {"摆烂模式（135）", "平凡模式（100）"}},
    {16, {"Wendlecrux Snake", "你卷到的分数为："}},
    {20, {"请选择你的Kvor模式：", "欢迎来到Kvor蛇游戏！"}},
    {22, {"就努力成为最卷的蛇吧！"}},
    {28, {"要不要再卷一把（疯狂引诱）？"}},
    {30, {"这难度。。。还想当卷王？。。。"}},
    {34, {"差不多得了。。。真这么爱卷嘛。。。"}},
    {47, {"请输入你想卷的程度（数值越低越卷）（20 ~ 50）："}},
};

TEST(DisplayWidth, EveryLiteralIsAsWideAsItsGbkBytes) {
    for (const auto& [gbk_bytes, literals] : kLiteralsByGbkBytes) {
        for (const char* literal : literals) EXPECT_EQ(DisplayWidth(literal), gbk_bytes) << literal;
    }
}

TEST(DisplayWidth, GameOverBoxRowsSpanColumnsFourteenToSixtyEight) {
    std::string rule;
    for (int i = 0; i < 53; ++i) rule += "━";
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

TEST(TypingUnits, EachStepShowsTwoColumns) {
    EXPECT_EQ(TypingUnits("欢迎来到Kvor蛇游戏！"),
              (std::vector<std::string_view>{"欢", "迎", "来", "到", "Kv", "or", "蛇", "游", "戏",
                                             "！"}));
}

TEST(ParseLeadingInt, ReadsAsFormattedExtractionDoes) {
    const std::pair<const char*, int> cases[] = {
        {"35", 35},  {"  \t 20", 20}, {"+50", 50}, {"-7", -7}, {"0012", 12}, {"1e3", 1},
        {"0x1A", 0}, {"30 40", 30},   {"abc", 0},  {"-", 0},   {"", 0},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseLeadingInt(text), value) << text;
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
