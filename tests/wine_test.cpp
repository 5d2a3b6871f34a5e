// The Windows build played in wine's two consoles as a player would, each
// screen judged against the virtual console's after the same keys: wine's
// console window, typed at by the X server and read through the helper exe
// that sits in it (tests/windows/console_remote.cpp), and wine's console in
// a terminal, typed at as a terminal sends keys and read through the
// emulator the Linux build's tests use. tests/windows_round.sh sets both up
// and runs these; each is skipped unless its environment variable is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "expected_screen.h"
#include "pty_session.h"

namespace {

using namespace std::chrono_literals;

// Keys are typed by xdotool's names. `wait_until` keeps reading the console
// until the condition holds; false after a generous limit.
struct Console {
    std::function<void(const std::string& key)> type;
    Shown shown;
    std::function<bool(const std::function<bool()>&)> wait_until;
};

// The welcome lines, a round in the first mode steered with all four arrows
// and paused, the mode menu again, a round in the third mode into the wall,
// and 卷个** chosen in the game-over box; the last key is left to the caller.
void Play(const Console& console) {
    std::string keys;
    const auto press = [&](const std::string& names) {
        std::istringstream words(names);
        for (std::string name; words >> name;) {
            keys += name + " ";
            if (name != "later") console.type(name);
            std::this_thread::sleep_for(150ms);
        }
    };
    const auto shows = [&](Board board) {
        SCOPED_TRACE(keys);
        const platform::Screen expected = ScreenAfter(keys);
        console.wait_until([&] { return Differences(expected, console.shown, board).empty(); });
        EXPECT_EQ(Differences(expected, console.shown, board), "");
    };
    // Steered in real time, unlike on the virtual console: wherever the round
    // took the snake, it must follow each arrow.
    const auto snake_reaches = [&](const std::function<bool(int x, int y)>& where) {
        return console.wait_until([&] {
            for (int y = 2; y <= 29; ++y) {
                for (int x = 2; x <= 29; ++x) {
                    if (console.shown(2 * x, y).glyph == "●" && where(x, y)) return true;
                }
            }
            return false;
        });
    };

    for (const char* line : {"", "Return", "Return", "Return"}) {
        press(line);
        shows(Board::kAsDrawn);
    }
    press("Return");
    ASSERT_TRUE(snake_reaches([](int, int y) { return y == 9; })) << "no snake";
    const std::pair<const char*, std::function<bool(int, int)>> arrows[] = {
        {"Right", [](int x, int) { return x >= 18; }},
        {"Up", [](int, int y) { return y <= 6; }},
        {"Left", [](int x, int) { return x <= 14; }},
        {"Down", [](int, int y) { return y >= 10; }},
    };
    for (const auto& [arrow, where] : arrows) {
        press(arrow);
        EXPECT_TRUE(snake_reaches(where)) << "the snake did not follow " << arrow;
    }
    press("Escape");
    shows(Board::kPlayed);
    press("Down Return");
    shows(Board::kAsDrawn);
    press("Down Down Return");
    shows(Board::kPlayed);
    press("later Right");
    shows(Board::kPlayed);
}

TEST(WineWindow, PlaysAsLaidOutAndPutsTheConsoleBack) {
    const char* remote = std::getenv("WINE_WINDOW");
    if (remote == nullptr) GTEST_SKIP() << "WINE_WINDOW names no console helper's directory";
    const std::filesystem::path directory(remote);
    // One glyph a cell: wine has no wide cells, and the helper reads a wide
    // glyph's filler as a blank.
    int width = 0;
    std::vector<std::string> cells;
    const auto read = [&] {
        std::ifstream file(directory / "screen");
        file >> width;
        file.ignore();
        cells.clear();
        for (std::string cell; std::getline(file, cell);) cells.push_back(cell);
    };
    const Console window{
        [](const std::string& key) { EXPECT_EQ(std::system(("xdotool key " + key).c_str()), 0); },
        [&](int column, int row) {
            const int at = row * width + column;
            const bool held = column < width && at < std::ssize(cells);
            return ShownCell{held ? cells[static_cast<std::size_t>(at)] : ""};
        },
        [&](const std::function<bool()>& done) {
            for (const auto give_up = PtySession::Clock::now() + 20s; read(), !done();) {
                if (PtySession::Clock::now() > give_up) return false;
                std::this_thread::sleep_for(100ms);
            }
            return true;
        }};
    Play(window);
    window.type("Return");
    // How the game ended and left the console: as the shell had it, title
    // too, with the cursor below the game.
    std::string result;
    EXPECT_TRUE(window.wait_until(
        [&] { return !std::getline(std::ifstream(directory / "result"), result, '\0').fail(); }));
    EXPECT_EQ(result, "exit 0\ncursor 0 32\n");
}

TEST(WineTerminal, PlaysAsLaidOutAndPutsTheTerminalBack) {
    const char* exe = std::getenv("WINDOWS_GAME");
    if (exe == nullptr) GTEST_SKIP() << "WINDOWS_GAME names no exe";
    PtySession game({"/usr/bin/env", "wine", exe}, {"LC_ALL=zh_CN.UTF-8", "TERM=xterm"});
    const std::map<std::string, std::string> typed = {
        {"Return", "\r"},   {"Escape", "\x1b"},  {"Up", "\x1b[A"},
        {"Down", "\x1b[B"}, {"Right", "\x1b[C"}, {"Left", "\x1b[D"},
    };
    const Console terminal{
        [&](const std::string& key) { game.Type(typed.at(key)); },
        // Wine sends its console's grey on black as the terminal's own
        // colours.
        [&game](int column, int row) {
            ShownCell cell = game.screen().At(column, row);
            if (cell.foreground == ShownCell::kDefault) cell.foreground = 7;
            if (cell.background == ShownCell::kDefault) cell.background = 0;
            return cell;
        },
        [&game](const std::function<bool()>& done) { return game.ReadUntil(done); }};
    Play(terminal);
    EXPECT_EQ(game.screen().title(), "Wendlecrux Snake");
    // Not even for a moment, from the game's first frame on.
    EXPECT_TRUE(game.output().find("\x1b[?25h") == std::string::npos)
        << "the terminal was told to show its cursor during the game";
    terminal.type("Return");
    const std::optional<int> status = game.Wait();
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << status.value_or(-1);
    // On the last row, where the console has no row below the game; and the
    // game's title left, since the console's own was empty: wine's console
    // never knew the terminal's, and blanking it would leave the terminal none.
    EXPECT_EQ(game.screen().cursor().row, 31);
    EXPECT_EQ(NotPutBack(game), " title Wendlecrux Snake");
}

// A terminal smaller than the game gives wine's console no larger window,
// now or later: the game says so and waits for ESC or q.
TEST(WineTerminal, ATerminalTooSmallGetsTheNotice) {
    const char* exe = std::getenv("WINDOWS_GAME");
    if (exe == nullptr) GTEST_SKIP() << "WINDOWS_GAME names no exe";
    PtySession game({"/usr/bin/env", "wine", exe}, {"LC_ALL=zh_CN.UTF-8", "TERM=xterm"},
                    PtySession::Tty::kControlling, {24, 80, 0, 0});
    EXPECT_TRUE(game.ReadUntilShown("Window too small: needs 82x32, has 80x24."));
    game.Type("\x1b");
    const std::optional<int> status = game.Wait();
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << status.value_or(-1);
}

}  // namespace
