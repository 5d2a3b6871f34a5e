// Keys typed at awkward moments, through the real keyboard path: just after
// a step, while the wall grows, in one burst, around a resize or a suspension
// at the pace prompt, with Alt held, and a round brought back with fg.
#include <thread>

#include "pty_session.h"
#include "tmux_session.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kDown = "\x1b[B";
constexpr std::string_view kMenuTitle = "菜单：";

std::size_t Count(std::string_view text, std::string_view what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// The game on a pseudo-terminal, past its welcome lines, with mode 1 (a step
// every 135 ms) chosen.
class RoundOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(game.ReadUntil("\x1b[6n"));
        game.Type("\r\r\r");
        ASSERT_TRUE(game.ReadUntil("请选择你的Kvor模式："));
        game.Type("\r");
    }
    // Reads until `count` more glyphs `glyph` have come, or the time is up.
    bool ReadUntilMore(std::string_view glyph, std::size_t count) {
        const std::size_t goal = Count(game.output(), glyph) + count;
        const auto give_up = PtySession::Clock::now() + 20s;
        while (Count(game.output(), glyph) < goal) {
            if (PtySession::Clock::now() > give_up) return false;
            game.ReadSome(1);
        }
        return true;
    }
    // How many snake cells were drawn after `from` in the output, until the
    // pause menu showed.
    std::size_t StepsBeforeTheMenu(std::size_t from) {
        EXPECT_TRUE(game.ReadUntil(kMenuTitle));
        const std::string_view after = std::string_view(game.output()).substr(from);
        return Count(after.substr(0, after.find(kMenuTitle)), "●");
    }

    PtySession game{{GAME_PATH}, {"LC_ALL=C.UTF-8"}};
};

TEST_F(RoundOnPty, EscJustAfterAStepPausesBeforeTheNext) {
    ASSERT_TRUE(game.ReadUntil("ESC键暂停"));
    ASSERT_TRUE(ReadUntilMore("●", 2)) << "the round runs";
    std::this_thread::sleep_for(5ms);
    const std::size_t typed_at = game.output().size();
    game.Type("\x1b");
    EXPECT_EQ(StepsBeforeTheMenu(typed_at), 0u);
}

TEST_F(RoundOnPty, EscWhileTheWallGrowsPausesBeforeTheFirstStep) {
    // The title's 64 cells, then the first cells of the wall.
    ASSERT_TRUE(ReadUntilMore("■", 64 + 10 - Count(game.output(), "■")));
    const std::size_t typed_at = game.output().size();
    game.Type("\x1b");
    EXPECT_EQ(StepsBeforeTheMenu(typed_at), 3u) << "only the snake as it starts";
}

TEST(TypedAhead, ARepliesTypedInOneBurstReachThePacePrompt) {
    PtySession game({GAME_PATH}, {"LC_ALL=C.UTF-8"});
    ASSERT_TRUE(game.ReadUntil("\x1b[6n"));
    game.Type("\r\r\r");
    ASSERT_TRUE(game.ReadUntil("请选择你的Kvor模式："));
    game.Type(std::string(kDown) + std::string(kDown) + std::string(kDown) + "\r30\r");
    EXPECT_TRUE(game.ReadUntil("卷王模式（30）")) << game.output();
}

TEST_F(ShellInTmux, ThePaceReplySurvivesAResizeAndASuspension) {
    SendKeys("Down Down Down Enter");
    ASSERT_TRUE(WaitFor(">>>"));
    SendKeys("3");
    Tmux("resize-window -x 90 -y 36");
    Tmux("resize-window -x 82 -y 32");
    EXPECT_TRUE(WaitFor(">>>  3\n")) << Capture();
    SendKeys("C-z");
    ASSERT_TRUE(WaitFor("Stopped"));
    SendKeys("fg Enter");
    EXPECT_TRUE(WaitFor(">>>  3\n")) << Capture();
    SendKeys("0");
    EXPECT_TRUE(WaitFor(">>>  30")) << Capture();
    SendKeys("Enter");
    EXPECT_TRUE(WaitFor("卷王模式（30）")) << Capture();
}

TEST_F(ShellInTmux, AltXIsNoPauseAndARoundComesBackPaused) {
    SendKeys("Enter");
    ASSERT_TRUE(WaitFor("ESC键暂停"));
    SendKeys("M-x");
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Capture().find(kMenuTitle), std::string::npos) << Capture();
    SendKeys("C-z");
    ASSERT_TRUE(WaitFor("Stopped"));
    SendKeys("fg Enter");
    ASSERT_TRUE(WaitFor("退出游戏")) << "the whole menu: " << Capture();
    const std::string paused = Capture();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Capture(), paused) << "the snake stands still";
}

}  // namespace
