// The built game as a user's terminal meets it: keys typed at awkward
// moments, suspended from a shell, resized, hung up on, and started where it
// cannot run.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <thread>

#include "pty_session.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kCursorQuery = "\x1b[6n";
constexpr std::string_view kModeMenu = "请选择你的Kvor模式：";
constexpr std::string_view kMenuTitle = "菜单：";
constexpr std::string_view kDown = "\x1b[B";
constexpr const char* kUtf8 = "LC_ALL=C.UTF-8";

std::size_t Count(std::string_view text, std::string_view what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// The first child of process `pid`, or 0.
pid_t ChildOf(pid_t pid) {
    const std::string task = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid);
    pid_t child = 0;
    std::ifstream(task + "/children") >> child;
    return child;
}

bool Stopped(pid_t pid) {
    std::string stat;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
    return stat.size() > stat.rfind(')') + 2 && stat[stat.rfind(')') + 2] == 'T';
}

// The game alone on a pseudo-terminal larger than it needs, in mode 1 (a step
// every 135 ms). On the way out it puts the terminal back as found, its title
// and size included, and no key typed was ever echoed.
TEST(RoundOnPty, EscJustAfterAStepPausesBeforeTheNextAndTheExitPutsAllBack) {
    PtySession game({GAME_PATH}, {kUtf8}, PtySession::Tty::kControlling, {40, 100, 0, 0});
    ASSERT_TRUE(game.ReadUntil(kCursorQuery));
    game.Type("\r\r\r\r");
    ASSERT_TRUE(game.ReadUntil("ESC键暂停"));
    for (const std::size_t goal = Count(game.output(), "●") + 2;
         Count(game.output(), "●") < goal;) {
        ASSERT_TRUE(game.ReadSome(1000)) << "the round runs";
    }
    std::this_thread::sleep_for(5ms);
    game.Mark();
    game.Type("\x1b");
    ASSERT_TRUE(game.ReadUntil(kMenuTitle));
    const std::string_view after = game.SinceMark();
    EXPECT_EQ(Count(after.substr(0, after.find(kMenuTitle)), "●"), 0u) << "a step after ESC";

    game.Type(std::string(kDown) + std::string(kDown) + "\r");
    const std::optional<int> status = game.Wait();
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    EXPECT_TRUE(CursorShownAndColoursReset(game.output()));
    EXPECT_EQ(game.output().find("^["), std::string::npos) << "the terminal echoed keys";
    const std::string_view end =
        std::string_view(game.output()).substr(game.output().rfind("\x1b[?25h"));
    EXPECT_NE(end.find("\x1b[23;0t"), std::string_view::npos) << "the title popped";
    EXPECT_NE(end.find("\x1b[8;40;100t"), std::string_view::npos) << "the size put back";
}

TEST(TypedAhead, ARepliesTypedInOneBurstReachThePacePrompt) {
    PtySession game({GAME_PATH}, {kUtf8});
    ASSERT_TRUE(game.ReadUntil(kCursorQuery));
    game.Type("\r\r\r" + std::string(kDown) + std::string(kDown) + std::string(kDown) + "\r30\r");
    EXPECT_TRUE(game.ReadUntil("卷王模式（30）")) << game.output();
}

// The game started from an interactive shell with job control, which notes
// the terminal's mode to compare once the game has let go of it, and says
// how the game ended.
class FromAShell : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(shell.ReadUntil("$ "));
        // A job's list is abandoned when it stops, so sh says how the game
        // ended after fg too.
        shell.Type("before=$(stty -g); sh -c '" GAME_PATH "; echo status=$?'\r");
        ASSERT_TRUE(shell.ReadUntil(kCursorQuery));
        shell.Type("\r\r\r");
        ASSERT_TRUE(shell.ReadUntil(kModeMenu));
    }
    // Ctrl+Z, and the terminal as the shell had it while the game is stopped.
    // The shell sees sh stop at once, the game a moment later, after it has
    // put the terminal back: a person is not quick enough to tell.
    void Suspend() {
        shell.Mark();
        shell.Type("\x1a");
        ASSERT_TRUE(shell.ReadUntil("Stopped"));
        const auto give_up = PtySession::Clock::now() + 20s;
        while (!Stopped(ChildOf(ChildOf(shell.pid())))) {
            ASSERT_LT(PtySession::Clock::now(), give_up) << "the game did not stop";
            std::this_thread::sleep_for(10ms);
        }
        ExpectGivenBack();
    }
    void Resume() {
        shell.Mark();
        shell.Type("fg\r");
    }
    void ExpectGivenBack() {
        shell.Type("test \"$(stty -g)\" = \"$before\"; echo same_mode=$?\r");
        EXPECT_TRUE(shell.ReadUntil("same_mode=0"));
        EXPECT_TRUE(CursorShownAndColoursReset(shell.output()));
    }

    PtySession shell{PtySession::Shell(), {"PS1=$ ", "HISTFILE=", "TERM=xterm", kUtf8}};
};

TEST_F(FromAShell, SuspendedOrSqueezedItGivesWayAndRepaints) {
    Suspend();
    Resume();
    EXPECT_TRUE(shell.ReadUntil(kModeMenu)) << "repainted after fg";
    Suspend();
    shell.Type("bg\r");
    ExpectGivenBack();
    // Taking the terminal from the background would have stopped it again.
    shell.Type("jobs\r");
    EXPECT_TRUE(shell.ReadUntil("Running"));
    Resume();
    EXPECT_TRUE(shell.ReadUntil(kModeMenu)) << "repainted after bg and fg";

    shell.Resize(60, 20);
    EXPECT_TRUE(shell.ReadUntil("窗口太小：需要 82x32，当前 60x20。"));
    EXPECT_TRUE(shell.ReadUntil("Window too small: needs 82x32, has 60x20."));
    shell.Mark();
    shell.Resize(82, 32);
    EXPECT_TRUE(shell.ReadUntil(kModeMenu)) << "repainted once it grew back";
    shell.Mark();
    shell.Resize(60, 20);
    ASSERT_TRUE(shell.ReadUntil("60x20"));
    shell.Type("q");
    EXPECT_TRUE(shell.ReadUntil("status=0"));
    ExpectGivenBack();
}

TEST_F(FromAShell, ARoundComesBackPaused) {
    shell.Type("\r");
    ASSERT_TRUE(shell.ReadUntil("ESC键暂停"));
    Suspend();
    Resume();
    ASSERT_TRUE(shell.ReadUntil("退出游戏")) << "the whole menu";
    EXPECT_EQ(shell.ReadFor(500ms).find("●"), std::string_view::npos) << "the snake stands still";
    shell.Type(std::string(kDown) + std::string(kDown) + "\r");
    EXPECT_TRUE(shell.ReadUntil("status=0"));
    ExpectGivenBack();
}

// A closed terminal window: the game must not outlive it.
TEST(HangUp, TheGameEndsWithinASecond) {
    PtySession opening({GAME_PATH}, {kUtf8});
    // Without a controlling terminal nothing sends SIGHUP: the game learns of
    // the hang-up only when it reads.
    PtySession at_menu({GAME_PATH}, {kUtf8}, PtySession::Tty::kStreamsOnly);
    PtySession at_prompt({GAME_PATH}, {kUtf8}, PtySession::Tty::kStreamsOnly);
    for (PtySession* game : {&at_menu, &at_prompt}) ASSERT_TRUE(game->ReadUntil(kCursorQuery));
    at_menu.Type("\r\r\r");
    at_prompt.Type("\r\r\r\x1b[B\x1b[B\x1b[B\r");

    const auto ends_soon = [](PtySession& game, std::string_view shown) {
        SCOPED_TRACE(shown);
        ASSERT_TRUE(game.ReadUntil(shown));
        game.HangUp();
        const std::optional<int> status = game.Wait(1s);
        ASSERT_TRUE(status.has_value()) << "still running";
        EXPECT_FALSE(WIFSIGNALED(*status) && WTERMSIG(*status) != SIGHUP) << *status;
    };
    ends_soon(opening, "●");
    ends_soon(at_menu, kModeMenu);
    ends_soon(at_prompt, "请输入你想卷的程度");
}

// bash runs the game with its standard error through sed, which marks each
// line, so that both streams can be told apart on the one terminal.
TEST(NotATerminal, TheGameSaysWhyInOneLineAndDrawsNothing) {
    const std::string marked = " 2>&1 >&3 | sed 's/^/stderr: /'; } 3>&1";
    const std::pair<const char*, std::string> cases[] = {
        {"input from /dev/null", "{ " GAME_PATH " </dev/null" + marked},
        {"output to a pipe", "{ " GAME_PATH + marked + " | cat"},
        {"TERM=dumb", "{ TERM=dumb " GAME_PATH + marked},
    };
    for (const auto& [name, pipeline] : cases) {
        SCOPED_TRACE(name);
        PtySession shell({"/bin/bash", "-c", "set -o pipefail; " + pipeline + "; echo status=$?"},
                         {"TERM=xterm"});
        ASSERT_TRUE(shell.Wait().has_value());
        EXPECT_TRUE(
            std::regex_match(shell.output(), std::regex("stderr: [^\x1b\r\n]+\r\nstatus=1\r\n")))
            << shell.output();
    }
}

}  // namespace
