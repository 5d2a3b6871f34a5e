// The built game as a user's terminal meets it: played, keys typed at awkward
// moments, suspended and continued, resized, hung up on, and started where
// it cannot run. Each screen is judged by what the terminal shows, against
// what the virtual console shows after the same keys.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <thread>
#include <utility>

#include "expected_screen.h"
#include "pty_session.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kCursorQuery = "\x1b[6n";
constexpr const char* kUtf8 = "LC_ALL=C.UTF-8";
constexpr const char* kToMenu = "Return Return Return";
constexpr const char* kToPause = "Return Return Return Return Escape";

// What the terminal shows once the game waits for a key, against the
// virtual console after `keys`; and the cursor hidden.
void ExpectShows(PtySession& game, const char* keys, Board board = Board::kAsDrawn) {
    SCOPED_TRACE(keys);
    game.ReadAll();
    const Shown shown = [&game](int column, int row) { return game.screen().At(column, row); };
    EXPECT_EQ(Differences(ScreenAfter(keys), shown, board), "");
    EXPECT_FALSE(game.screen().cursor_shown());
}

std::set<std::pair<int, int>> Snake(PtySession& game) {
    std::set<std::pair<int, int>> cells;
    for (int y = 2; y <= 29; ++y) {
        for (int x = 2; x <= 29; ++x) {
            if (game.screen().At(2 * x, y).glyph == "●") cells.emplace(x, y);
        }
    }
    return cells;
}

bool Exited(PtySession& game) {
    const std::optional<int> status = game.Wait();
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

// The game alone on a terminal larger than it needs, in mode 1 (a step every
// 135 ms): an ESC typed just after a step pauses before the next. On the way
// out the terminal is put back as found, the window size too, with the
// cursor below the game, and no key typed was ever echoed.
TEST(RoundOnPty, PlaysAsLaidOutAndPutsTheTerminalBack) {
    PtySession game({GAME_PATH}, {kUtf8}, PtySession::Tty::kControlling, {40, 100, 0, 0});
    ASSERT_TRUE(game.ReadUntil(kCursorQuery));
    game.Type("\r\r\r\r");
    ASSERT_TRUE(game.ReadUntilShown("ESC键暂停"));
    const auto start = Snake(game);
    ASSERT_TRUE(game.ReadUntil([&] { return !Snake(game).empty() && Snake(game) != start; }));
    std::this_thread::sleep_for(5ms);
    const auto before_escape = Snake(game);
    game.Type("\x1b");
    ASSERT_TRUE(game.ReadUntilShown("退出游戏"));
    ExpectShows(game, kToPause, Board::kPlayed);
    EXPECT_EQ(Snake(game), before_escape) << "a step after ESC";

    game.Type("\r");
    ASSERT_TRUE(game.ReadUntilShown("卷个**"));
    ExpectShows(game, "Return Return Return Return Escape Return", Board::kPlayed);
    game.Type("\x1b[C");
    ASSERT_TRUE(game.ReadUntil([&] { return game.screen().At(58, 18).background == 7; }));
    ExpectShows(game, "Return Return Return Return Escape Return later Right", Board::kPlayed);
    game.Type("\r");
    ASSERT_TRUE(Exited(game));
    EXPECT_EQ(game.screen().cursor().row, 32);
    EXPECT_EQ(game.screen().asked_size(), std::make_pair(100L, 40L));
    EXPECT_EQ(game.screen().asked_size_row(), 32) << "the size asked for below the game";
    EXPECT_EQ(NotPutBack(game), "");
    EXPECT_EQ(game.output().find("^["), std::string::npos) << "the terminal echoed keys";
}

long ResidentKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line) && !line.starts_with("VmRSS:")) {
    }
    return line.empty() ? -1 : std::stol(line.substr(6));
}

// However much is pasted, the game holds no more of it than the next key:
// the rest waits in the terminal's own input queue.
TEST(TypedAhead, TwentyMegabytesPastedLeaveTheGameItsSize) {
    PtySession game({GAME_PATH}, {kUtf8});
    ASSERT_TRUE(game.ReadUntil(kCursorQuery));
    game.Type("\r\r\r\r");
    ASSERT_TRUE(game.ReadUntilShown("ESC键暂停"));
    const long before = ResidentKib(game.pid());
    game.Paste(std::string(20 << 20, 'x'), 3s);
    EXPECT_LT(ResidentKib(game.pid()) - before, 1024);
}

// The game as a job of a shell with job control that, unlike a real shell,
// leaves the terminal's modes as the game leaves them when it stops: so the
// game itself must have put everything back.
class AsAJob : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(game.ReadUntil(kCursorQuery));
        game.Type("\r\r\r");
        ASSERT_TRUE(game.ReadUntilShown("卷王模式"));
    }
    void Suspend() {
        game.Type("\x1a");
        ASSERT_TRUE(game.ReadUntil([&] { return game.Stopped(); })) << "the game did not stop";
        EXPECT_EQ(NotPutBack(game), "");
    }

    PtySession game{{GAME_PATH}, {"TERM=xterm", kUtf8}, PtySession::Tty::kJob};
};

TEST_F(AsAJob, SuspendedOrSqueezedItGivesWayAndRepaints) {
    Suspend();
    game.Foreground();
    ASSERT_TRUE(game.ReadUntilShown("卷王模式"));
    ExpectShows(game, kToMenu);
    Suspend();
    game.Background();
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(game.Stopped()) << "running in the background";
    EXPECT_EQ(NotPutBack(game), "") << "the terminal taken from the background";
    game.Foreground();
    ASSERT_TRUE(game.ReadUntilShown("卷王模式"));
    ExpectShows(game, kToMenu);

    game.Resize(90, 20);
    EXPECT_TRUE(game.ReadUntilShown("窗口太小：需要 82x32，当前 90x20。"));
    EXPECT_TRUE(game.ReadUntilShown("Window too small: needs 82x32, has 90x20."));
    game.Resize(82, 32);
    ASSERT_TRUE(game.ReadUntilShown("卷王模式"));
    ExpectShows(game, kToMenu);
    // A terminal may lose what it showed in a resize: the game draws it all.
    game.screen().Feed("\x1b[2J");
    game.Resize(90, 40);
    ASSERT_TRUE(game.ReadUntilShown("卷王模式"));
    ExpectShows(game, kToMenu);
    game.Resize(60, 20);
    ASSERT_TRUE(game.ReadUntilShown("60x20"));
    game.Type("q");
    EXPECT_TRUE(Exited(game));
    EXPECT_EQ(NotPutBack(game), "");
}

TEST_F(AsAJob, ARoundComesBackPaused) {
    game.Type("\r");
    ASSERT_TRUE(game.ReadUntilShown("ESC键暂停"));
    Suspend();
    game.Foreground();
    ASSERT_TRUE(game.ReadUntilShown("退出游戏"));
    ExpectShows(game, kToPause, Board::kPlayed);
    const auto paused = Snake(game);
    game.ReadFor(500ms);
    EXPECT_EQ(Snake(game), paused) << "the snake stands still";
    game.Type("\r");
    ASSERT_TRUE(game.ReadUntil([&] { return !game.screen().Shows("退出游戏"); }));
    // Stopped by a signal it cannot catch, the game learns only that it goes on.
    game.StopJob();
    ASSERT_TRUE(game.ReadUntil([&] { return game.Stopped(); }));
    game.Foreground();
    ASSERT_TRUE(game.ReadUntilShown("退出游戏"));
    game.Type("\x1b[B\x1b[B\r");
    EXPECT_TRUE(Exited(game));
    EXPECT_EQ(NotPutBack(game), "");
}

// A closed terminal window: the game must not outlive it. The keys up to the
// pace reply come in one burst, and all of them reach the prompt.
TEST(HangUp, TheGameEndsWithinASecond) {
    PtySession opening({GAME_PATH}, {kUtf8});
    // Without a controlling terminal nothing sends SIGHUP: the game learns of
    // the hang-up only when it reads.
    PtySession at_menu({GAME_PATH}, {kUtf8}, PtySession::Tty::kStreamsOnly);
    PtySession at_prompt({GAME_PATH}, {kUtf8}, PtySession::Tty::kStreamsOnly);
    for (PtySession* game : {&at_menu, &at_prompt}) ASSERT_TRUE(game->ReadUntil(kCursorQuery));
    at_menu.Type("\r\r\r");
    at_prompt.Type("\r\r\r\x1b[B\x1b[B\x1b[B\r3");

    const auto ends_soon = [&at_prompt](PtySession& game, std::string_view shown) {
        SCOPED_TRACE(shown);
        ASSERT_TRUE(game.ReadUntilShown(shown));
        if (&game == &at_prompt) {
            EXPECT_TRUE(game.ReadUntil([&] {
                return game.screen().cursor_shown() && game.screen().cursor().col == 32;
            })) << "the cursor waits after the reply typed so far";
        }
        game.HangUp();
        const std::optional<int> status = game.Wait(1s);
        ASSERT_TRUE(status.has_value()) << "still running";
        EXPECT_FALSE(WIFSIGNALED(*status) && WTERMSIG(*status) != SIGHUP) << *status;
    };
    ends_soon(opening, "●");
    ends_soon(at_menu, "请选择你的Kvor模式：");
    ends_soon(at_prompt, ">>>  3");
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
