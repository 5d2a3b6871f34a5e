#include "platform/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using platform::ParseLeadingInt;
using platform::TypingUnits;

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
