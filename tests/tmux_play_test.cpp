// The built game in a real terminal through the real keyboard path: a round
// into the wall, the game-over box, and the exit.
#include "tmux_session.h"
#include "vt_emulator.h"

namespace {

using PlayInTmux = ShellInTmux;

TEST_F(PlayInTmux, ARoundIntoTheWallThenTheExit) {
    SendKeys("Enter");
    ASSERT_TRUE(WaitFor("摆烂模式（135）"));
    // tmux draws ambiguous characters narrow; the bottom rule is the box's
    // last line.
    VtEmulator screen(false);
    EXPECT_TRUE(WaitUntil([&](const std::string& shown) {
        screen = VtEmulator(false);
        screen.Feed(shown);
        return screen.At(68, 20) == "━";
    })) << Capture();
    ExpectGameOverBox(screen);

    SendKeys("Right Enter");
    EXPECT_TRUE(WaitFor("status=0")) << Capture();
    EXPECT_TRUE(WaitFor("你卷到的分数为：")) << "the last screen stays";
    ExpectTerminalGivenBack();
}

}  // namespace
