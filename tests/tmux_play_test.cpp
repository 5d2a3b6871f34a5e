// The built game in a real terminal (tmux at 82 x 32), through the real
// keyboard path: a round into the wall, the game-over box, and the exit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tmux_session.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WaitForFile(const fs::path& path) {
    for (int i = 0; i < 200 && !fs::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return fs::exists(path);
}

class PlayInTmux : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
        dir_ = fs::temp_directory_path() / ("snake-play-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The game between two snapshots of the terminal's mode, then a shell
    // that keeps the window open.
    std::string Command() const {
        const std::string d = dir_.string();
        return "stty -g > " + d + "/before; " GAME_PATH "; echo $? > " + d + "/status; stty -g > " +
               d + "/after; exec sleep 600";
    }

    fs::path dir_;
};

TEST_F(PlayInTmux, ARoundIntoTheWallThenTheExit) {
    TmuxSession tmux(Command(), 82, 32);
    for (const char* line : {"欢迎来到Kvor蛇游戏！", "既然来了的话，", "就努力成为最卷的蛇吧！"}) {
        ASSERT_TRUE(tmux.WaitFor(line)) << line;
        tmux.SendKeys("Enter");
    }
    ASSERT_TRUE(tmux.WaitFor("请选择你的Kvor模式："));
    tmux.SendKeys("Enter");
    ASSERT_TRUE(tmux.WaitFor("摆烂模式（135）"));
    ASSERT_TRUE(tmux.WaitFor("要不要再卷一把"));
    // The bottom rule is the box's last line.
    std::vector<std::string> screen;
    for (int i = 0; i < 100; ++i) {
        screen = tmux.Capture();
        if (screen.size() > 20 && ColumnsOf(screen[20]).size() > 68) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GT(screen.size(), 20u);
    for (int row : {9, 20}) {
        const auto columns = ColumnsOf(screen[row]);
        ASSERT_GT(columns.size(), 68u) << row;
        EXPECT_NE(columns[15], "━");
        for (int column = 16; column <= 68; ++column) EXPECT_EQ(columns[column], "━") << column;
    }
    for (int row = 10; row <= 19; ++row) {
        const auto columns = ColumnsOf(screen[row]);
        ASSERT_GT(columns.size(), 68u) << row;
        EXPECT_EQ(columns[15], "┃") << row;
        EXPECT_EQ(columns[68], "┃") << row;
    }
    const auto score_row = ColumnsOf(screen[16]);
    EXPECT_EQ(score_row[32], "你");
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(score_row[48][0])));
    const auto prompt_row = ColumnsOf(screen[18]);
    EXPECT_EQ(prompt_row[50] + prompt_row[52] + prompt_row[54], "继续卷");
    EXPECT_EQ(prompt_row[58] + prompt_row[60] + prompt_row[62] + prompt_row[63], "卷个**");

    tmux.SendKeys("Right");
    tmux.SendKeys("Enter");
    ASSERT_TRUE(WaitForFile(dir_ / "after"));
    EXPECT_EQ(ReadFile(dir_ / "status"), "0\n");
    EXPECT_EQ(ReadFile(dir_ / "after"), ReadFile(dir_ / "before")) << "canonical mode again";
    EXPECT_EQ(tmux.Query("cursor_flag"), "1") << "the cursor is shown again";
    EXPECT_TRUE(tmux.WaitFor("你卷到的分数为：")) << "the last screen stays";
}

}  // namespace
