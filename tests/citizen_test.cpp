// The built game as a user's terminal meets it: suspended from a shell,
// squeezed into a small window, hung up on, started where it cannot run, in a
// GBK locale, and on terminals that draw ambiguous characters either width.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pty_session.h"
#include "tmux_session.h"
#include "vt_emulator.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kWelcomeLines[] = {"欢迎来到Kvor蛇游戏！", "既然来了的话，",
                                         "就努力成为最卷的蛇吧！"};
constexpr const char* kModeMenu = "请选择你的Kvor模式：";
constexpr std::string_view kCursorQuery = "\x1b[6n";
constexpr const char* kUtf8 = "LC_ALL=C.UTF-8";

// The rows with a blank around each, so that a word at a row's edge is found
// as " word ".
std::string Joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows) text += ' ' + row + ' ';
    return text;
}

// The game started from an interactive shell in tmux, up to its mode menu,
// a screen that stays as it is until a key comes.
class ShellInTmux : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
        tmux_ = std::make_unique<TmuxSession>("env PS1='$ ' HISTFILE= bash --norc --noprofile -i",
                                              82, 32);
        ASSERT_TRUE(tmux_->WaitFor("$", 5s));
        tmux_->SendKeys(GAME_PATH " Enter");
        for (const char* line : kWelcomeLines) {
            ASSERT_TRUE(tmux_->WaitFor(line)) << line;
            tmux_->SendKeys("Enter");
        }
        ASSERT_TRUE(tmux_->WaitFor(kModeMenu));
        menu_ = tmux_->Capture();
    }

    // Waits for `screen` to be back, exactly as it was.
    ::testing::AssertionResult ShowsAgain(const std::vector<std::string>& screen) {
        const auto give_up = std::chrono::steady_clock::now() + 5s;
        std::vector<std::string> now;
        while ((now = tmux_->Capture()) != screen) {
            if (std::chrono::steady_clock::now() > give_up) {
                std::string shown;
                for (const std::string& row : now) shown += row + '\n';
                return ::testing::AssertionFailure() << "the window shows\n" << shown;
            }
            std::this_thread::sleep_for(50ms);
        }
        return ::testing::AssertionSuccess();
    }

    // Runs `command` in the shell and returns the screen once `done` shows.
    std::string ShellSays(const std::string& command, const std::string& done) {
        tmux_->SendKeys("'" + command + "' Enter");
        EXPECT_TRUE(tmux_->WaitFor(done, 5s)) << command;
        return Joined(tmux_->Capture());
    }

    // The shell's view of the terminal: lines edited and echoed, cursor shown.
    void ExpectCanonical() {
        const std::string mode = ShellSays("stty -a; echo =$?=", "=0=");
        EXPECT_NE(mode.find(" icanon "), std::string::npos) << mode;
        EXPECT_NE(mode.find(" echo "), std::string::npos) << mode;
        EXPECT_EQ(tmux_->Query("cursor_flag"), "1");
    }

    std::unique_ptr<TmuxSession> tmux_;
    std::vector<std::string> menu_;
};

TEST_F(ShellInTmux, SuspendedThenResumedItRepaints) {
    tmux_->SendKeys("C-z");
    ASSERT_TRUE(tmux_->WaitFor("Stopped", 5s));
    ExpectCanonical();
    tmux_->SendKeys("fg Enter");
    EXPECT_TRUE(ShowsAgain(menu_)) << "after fg";

    tmux_->SendKeys("C-z");
    ASSERT_TRUE(tmux_->WaitFor("Stopped", 5s));
    tmux_->SendKeys("bg Enter");
    ExpectCanonical();
    // Taking the terminal from the background would have stopped it again.
    EXPECT_NE(ShellSays("jobs", "Running").find("Running"), std::string::npos);
    tmux_->SendKeys("fg Enter");
    EXPECT_TRUE(ShowsAgain(menu_)) << "after bg and fg";

    tmux_->SendKeys("Down Down Down Enter");
    ASSERT_TRUE(tmux_->WaitFor(">>>", 5s));
    const auto prompt = tmux_->Capture();
    tmux_->SendKeys("C-z");
    ASSERT_TRUE(tmux_->WaitFor("Stopped", 5s));
    tmux_->SendKeys("fg Enter");
    EXPECT_TRUE(ShowsAgain(prompt)) << "at the pace prompt";
}

TEST_F(ShellInTmux, ATooSmallWindowIsExplainedUntilItGrowsBack) {
    tmux_->Tmux("resize-window -x 60 -y 20");
    EXPECT_TRUE(tmux_->WaitFor("窗口太小：需要 82x32，当前 60x20。", 5s));
    EXPECT_TRUE(tmux_->WaitFor("Window too small: needs 82x32, has 60x20.", 5s));
    tmux_->Tmux("resize-window -x 82 -y 32");
    EXPECT_TRUE(ShowsAgain(menu_));

    tmux_->Tmux("resize-window -x 60 -y 20");
    ASSERT_TRUE(tmux_->WaitFor("60x20", 5s));
    tmux_->SendKeys("q");
    ShellSays("echo status=$?", "status=0");
    ExpectCanonical();
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
        ASSERT_TRUE(game.ReadUntil(shown, 20s));
        game.HangUp();
        const std::optional<int> status = game.WaitAtMost(1s);
        ASSERT_TRUE(status.has_value()) << "still running";
        EXPECT_FALSE(WIFSIGNALED(*status) && WTERMSIG(*status) != SIGHUP) << *status;
    };
    ends_soon(opening, "●");
    ends_soon(at_menu, kModeMenu);
    ends_soon(at_prompt, "请输入你想卷的程度");
}

struct Outcome {
    int status = 0;
    std::string out;
    std::string err;
};

std::string ReadToEnd(int fd) {
    std::string text;
    char bytes[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, bytes, sizeof bytes)) > 0) {
        text.append(bytes, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

// The game on the given standard input and output (-1: a pipe read here),
// with standard error to a pipe.
Outcome RunGame(int in, int out, std::vector<std::string> environment) {
    int err_pipe[2];
    int out_pipe[2] = {-1, -1};
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    if (out < 0) {
        if (::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        out = out_pipe[1];
    }
    std::vector<char*> envp = EnvironmentWith(environment);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err_pipe[1], 2);
        char* argv[] = {const_cast<char*>(GAME_PATH), nullptr};
        ::execve(GAME_PATH, argv, envp.data());
        ::_exit(127);
    }
    ::close(err_pipe[1]);
    if (out_pipe[1] >= 0) ::close(out_pipe[1]);
    Outcome outcome;
    // A game that wrongly starts would wait for keys for ever.
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &outcome.status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(10ms);
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &outcome.status, 0);
    }
    if (out_pipe[0] >= 0) outcome.out = ReadToEnd(out_pipe[0]);
    outcome.err = ReadToEnd(err_pipe[0]);
    return outcome;
}

TEST(NotATerminal, TheGameSaysWhyInOneLineAndDrawsNothing) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(null, 0);
    const auto expect_refusal = [](const Outcome& outcome) {
        EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 1)
            << outcome.status;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_TRUE(outcome.err.ends_with('\n')) << outcome.err;
        EXPECT_EQ(outcome.out, "");
    };
    {
        SCOPED_TRACE("input from /dev/null");
        expect_refusal(RunGame(null, -1, {"TERM=xterm"}));
    }
    {
        SCOPED_TRACE("output to a pipe");
        expect_refusal(RunGame(slave, -1, {"TERM=xterm"}));
    }
    {
        SCOPED_TRACE("TERM=dumb");
        Outcome outcome = RunGame(slave, slave, {"TERM=dumb"});
        pollfd drawn{master, POLLIN, 0};
        if (::poll(&drawn, 1, 100) > 0) {
            char bytes[4096];
            const ssize_t got = ::read(master, bytes, sizeof bytes);
            if (got > 0) outcome.out.assign(bytes, static_cast<std::size_t>(got));
        }
        expect_refusal(outcome);
    }
    ::close(null);
    ::close(slave);
    ::close(master);
}

TEST(LocaleEncoding, TextReachesTheTerminalInTheLocalesCodeset) {
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

    EXPECT_TRUE(gbk.ReadUntil(welcome_in_gbk, 20s));
    EXPECT_EQ(gbk.output().find(welcome_in_utf8), std::string::npos);
    EXPECT_TRUE(utf8.ReadUntil(welcome_in_utf8, 20s));
    fs::remove_all(locales);
}

struct WidthProbe {
    const char* terminal;
    std::string reply;
    bool ambiguous_wide;
};

// However the terminal draws ■ and the box's lines, the game-over box must
// come out where the layout puts it.
TEST(AmbiguousWidth, TheGameOverBoxLinesUpOnEveryTerminal) {
    const WidthProbe probes[] = {
        {"wide", "\x1b[3;3R", true},
        {"narrow", "\x1b[3;2R", false},
        {"silent", "", false},
    };
    std::vector<std::unique_ptr<PtySession>> games;
    for (std::size_t i = 0; i < std::size(probes); ++i) {
        games.push_back(std::make_unique<PtySession>(std::vector<std::string>{GAME_PATH},
                                                     std::vector<std::string>{kUtf8}));
    }
    // The Enter keys come before the answer: they must wait in the key queue.
    for (std::size_t i = 0; i < games.size(); ++i) {
        ASSERT_TRUE(games[i]->ReadUntil(kCursorQuery));
        games[i]->Type("\r\r\r\r" + probes[i].reply);
    }
    const std::string highlighted_choice = "\x1b[34;47m继续卷";
    for (std::size_t i = 0; i < games.size(); ++i) {
        PtySession& game = *games[i];
        SCOPED_TRACE(probes[i].terminal);
        ASSERT_TRUE(game.ReadUntil(highlighted_choice, 30s));
        while (game.ReadSome(200)) {
        }
        VtEmulator screen(82, 32, probes[i].ambiguous_wide);
        screen.Feed(game.output());
        std::string rule;
        for (int column = 16; column <= 68; ++column) rule += "━";
        EXPECT_EQ(screen.Span(9, 16, 68), rule);
        EXPECT_EQ(screen.Span(20, 16, 68), rule);
        for (int row = 10; row <= 19; ++row) {
            EXPECT_EQ(screen.At(15, row) + screen.At(68, row), "┃┃") << "row " << row;
        }
        EXPECT_EQ(screen.Span(18, 50, 55), "继续卷");

        game.Type("\x1b[C\r");
        const int status = game.Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

}  // namespace
