// The built game in a real terminal through the real keyboard path: a round
// into the wall, the game-over box, and the exit.
#include <sstream>
#include <vector>

#include "tmux_session.h"

namespace {

using PlayInTmux = ShellInTmux;

std::vector<std::string> Rows(const std::string& capture) {
    std::vector<std::string> rows;
    std::istringstream in(capture);
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    rows.resize(32);
    return rows;
}

TEST_F(PlayInTmux, ARoundIntoTheWallThenTheExit) {
    std::string rule;
    for (int column = 16; column <= 68; ++column) rule += "━";
    SendKeys("Enter");
    ASSERT_TRUE(WaitFor("摆烂模式（135）"));
    // The bottom rule is the box's last line.
    ASSERT_TRUE(WaitUntil([&](const std::string& shown) {
        return Rows(shown)[20].find(rule) != std::string::npos;
    })) << Capture();
    const std::vector<std::string> rows = Rows(Capture());
    EXPECT_NE(rows[9].find(rule), std::string::npos) << rows[9];
    EXPECT_NE(rows[16].find("你卷到的分数为："), std::string::npos) << rows[16];
    EXPECT_NE(rows[18].find("继续卷  卷个**"), std::string::npos) << rows[18];

    SendKeys("Right Enter");
    EXPECT_TRUE(WaitFor("status=0")) << Capture();
    EXPECT_TRUE(WaitFor("你卷到的分数为：")) << "the last screen stays";
    ExpectTerminalGivenBack();
}

}  // namespace
