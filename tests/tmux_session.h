#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

// The game started from an interactive shell in an 82 x 32 window of a
// private tmux server, and taken through its welcome lines to the mode menu,
// a screen that stays as it is until a key comes.
class ShellInTmux : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v tmux >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "tmux is not installed";
        }
        Tmux(
            "-f /dev/null new-session -d -x 82 -y 32 "
            "\"env PS1='$ ' HISTFILE= bash --norc --noprofile -i\"");
        Tmux("set-option -g status off");
        ASSERT_TRUE(WaitFor("$"));
        // The shell notes the terminal's mode, to compare once the game has
        // let go of it, and says how the game ended.
        SendKeys("'before=$(stty -g); " GAME_PATH "; echo status=$?' Enter");
        for (const char* line :
             {"欢迎来到Kvor蛇游戏！", "既然来了的话，", "就努力成为最卷的蛇吧！"}) {
            ASSERT_TRUE(WaitFor(line)) << line;
            SendKeys("Enter");
        }
        ASSERT_TRUE(WaitFor("请选择你的Kvor模式："));
        menu_ = Capture();
    }
    void TearDown() override { Tmux("kill-server"); }

    // Any tmux command on this test's server; its output.
    std::string Tmux(const std::string& arguments) {
        const std::string command = "tmux -L " + socket_ + " " + arguments + " 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
        std::string output;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
        return output;
    }
    void SendKeys(const std::string& keys) { Tmux("send-keys " + keys); }
    std::string Capture() { return Tmux("capture-pane -p"); }

    // Waits until what the window shows satisfies `done`; false after 20 s.
    template <typename Predicate>
    bool WaitUntil(Predicate done) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done(Capture())) {
            if (std::chrono::steady_clock::now() > give_up) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }
    bool WaitFor(const std::string& text) {
        return WaitUntil(
            [&](const std::string& shown) { return shown.find(text) != std::string::npos; });
    }
    bool ShowsAgain(const std::string& screen) {
        return WaitUntil([&](const std::string& shown) { return shown == screen; });
    }

    // The shell finds the terminal as it was before the game, cursor shown.
    void ExpectTerminalGivenBack() {
        SendKeys("'test \"$(stty -g)\" = \"$before\"; echo same_mode=$?' Enter");
        EXPECT_TRUE(WaitFor("same_mode=0")) << Capture();
        EXPECT_EQ(Tmux("display-message -p '#{cursor_flag}'"), "1\n") << "the cursor shows";
    }

    const std::string socket_ = "snake-test-" + std::to_string(::getpid());
    std::string menu_;
};
