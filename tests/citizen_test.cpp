// The built game as a user's terminal meets it: suspended from a shell,
// squeezed into a small window, hung up on, started where it cannot run, and
// in a GBK locale.
#include <filesystem>
#include <regex>

#include "pty_session.h"
#include "tmux_session.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kCursorQuery = "\x1b[6n";
constexpr const char* kUtf8 = "LC_ALL=C.UTF-8";

TEST_F(ShellInTmux, SuspendedThenResumedItRepaints) {
    SendKeys("C-z");
    ASSERT_TRUE(WaitFor("Stopped"));
    ExpectTerminalGivenBack();
    SendKeys("fg Enter");
    EXPECT_TRUE(ShowsAgain(menu_)) << "after fg:\n" << Capture();

    SendKeys("C-z");
    ASSERT_TRUE(WaitFor("Stopped"));
    SendKeys("bg Enter");
    ExpectTerminalGivenBack();
    // Taking the terminal from the background would have stopped it again.
    SendKeys("jobs Enter");
    EXPECT_TRUE(WaitFor("Running")) << Capture();
    SendKeys("fg Enter");
    EXPECT_TRUE(ShowsAgain(menu_)) << "after bg and fg:\n" << Capture();

    SendKeys("Down Down Down Enter");
    ASSERT_TRUE(WaitFor(">>>"));
    const std::string prompt = Capture();
    SendKeys("C-z");
    ASSERT_TRUE(WaitFor("Stopped"));
    SendKeys("fg Enter");
    EXPECT_TRUE(ShowsAgain(prompt)) << "at the pace prompt:\n" << Capture();
}

TEST_F(ShellInTmux, ATooSmallWindowIsExplainedUntilItGrowsBack) {
    Tmux("resize-window -x 60 -y 20");
    EXPECT_TRUE(WaitFor("窗口太小：需要 82x32，当前 60x20。")) << Capture();
    EXPECT_TRUE(WaitFor("Window too small: needs 82x32, has 60x20.")) << Capture();
    Tmux("resize-window -x 82 -y 32");
    EXPECT_TRUE(ShowsAgain(menu_)) << Capture();

    Tmux("resize-window -x 60 -y 20");
    ASSERT_TRUE(WaitFor("60x20"));
    SendKeys("q");
    EXPECT_TRUE(WaitFor("status=0")) << Capture();
    ExpectTerminalGivenBack();
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
    ends_soon(at_menu, "请选择你的Kvor模式：");
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

TEST(LocaleEncoding, TextReachesTheTerminalInTheLocalesCodeset) {
    namespace fs = std::filesystem;
    const fs::path locales =
        fs::temp_directory_path() / ("snake-locale-" + std::to_string(::getpid()));
    const std::string gbk_locale = (locales / "zh_CN.GBK").string();
    fs::create_directories(locales);
    std::system(("localedef -i zh_CN -f GBK " + gbk_locale + " >/dev/null 2>&1").c_str());
    if (!fs::exists(gbk_locale + "/LC_CTYPE")) {
        fs::remove_all(locales);
        GTEST_SKIP() << "cannot build a zh_CN.GBK locale";
    }
    PtySession gbk({GAME_PATH},
                   {"LOCPATH=" + locales.string(), "LANG=zh_CN.GBK", "LC_ALL=zh_CN.GBK"});
    PtySession utf8({GAME_PATH}, {"LANG=C.UTF-8", kUtf8});
    const std::string welcome_in_gbk = "\xbb\xb6\xd3\xad\xc0\xb4\xb5\xbd";
    const std::string welcome_in_utf8 = "欢迎来到";

    EXPECT_TRUE(gbk.ReadUntil(welcome_in_gbk));
    EXPECT_EQ(gbk.output().find(welcome_in_utf8), std::string::npos);
    EXPECT_TRUE(utf8.ReadUntil(welcome_in_utf8));
    fs::remove_all(locales);
}

}  // namespace
