// The built game in a real xterm on a private X server, typed at with real
// key events and judged by xterm's own record of its screen: the SVG it
// writes on Ctrl+F12, which holds each cell's glyph and background as xterm
// drew them, wide glyphs, luit and themes included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kColumns = 82;
constexpr int kRows = 32;
const std::string kBlack = "rgb(0.00%, 0.00%, 0.00%)";
const std::string kGrey = "rgb(89.80%, 89.80%, 89.80%)";  // xterm's colour 7
const std::string kBlue = "rgb(0.00%, 0.00%, 93.33%)";    // and its colour 4

// xterm's SVG screen dump as cells: a glyph each ("" for the second half of a
// wide one, " " where nothing is drawn) on a background.
class Dump {
public:
    explicit Dump(const std::string& svg) {
        const std::regex view("viewBox='0 0 (\\d+) ");
        const std::regex row_mark("<!-- Row (\\d+) -->");
        const std::regex rect(
            "<rect x='(\\d+)' y='\\d+' height='\\d+' width='(\\d+)' fill='([^']+)'");
        const std::regex text("<text x='(\\d+)' y='\\d+'>([^<]*)</text>");
        const std::regex colour("<g fill='([^']+)'>");
        std::istringstream lines(svg);
        int row = -1;
        int border = 0;
        std::string foreground;
        std::smatch m;
        for (std::string line; std::getline(lines, line);) {
            if (std::regex_search(line, m, view))
                border = (std::stoi(m[1]) - kColumns * kCellWidth) / 2;
            if (std::regex_search(line, m, row_mark)) row = std::stoi(m[1]);
            if (row < 0 || row >= kRows) continue;
            if (std::regex_search(line, m, rect)) {
                const int first = (std::stoi(m[1]) - border) / kCellWidth;
                for (int c = first; c < first + std::stoi(m[2]) / kCellWidth; ++c) {
                    At(c, row).background = m[3];
                }
            } else if (std::regex_search(line, m, colour)) {
                foreground = m[1];
            } else if (std::regex_search(line, m, text)) {
                Cell& cell = At((std::stoi(m[1]) - border) / kCellWidth, row);
                cell.glyph = m[2];
                cell.foreground = foreground;
            }
        }
        complete = svg.find("</svg>") != std::string::npos && row == kRows - 1;
    }
    struct Cell {
        std::string glyph = " ";
        std::string background;
        std::string foreground;
    };
    Cell& At(int column, int row) { return cells_[std::clamp(row * kColumns + column, 0, kLast)]; }
    const Cell& At(int column, int row) const {
        return cells_[std::clamp(row * kColumns + column, 0, kLast)];
    }
    // The glyphs from `column` on, `width` cells.
    std::string Text(int column, int row, int width) const {
        std::string text;
        for (int c = column; c < column + width; ++c) text += At(c, row).glyph;
        return text;
    }

    bool complete = false;

private:
    // The font and size the test starts xterm with give cells 10 pixels wide.
    static constexpr int kCellWidth = 10;
    static constexpr int kLast = kColumns * kRows - 1;
    std::vector<Cell> cells_ = std::vector<Cell>(std::size_t{kLast} + 1);
};

// That `ok` holds for every cell from (left, top) to (right, bottom).
void ExpectAll(const std::string& what, int left, int top, int right, int bottom,
               const std::function<bool(int, int)>& ok) {
    std::string some;
    int count = 0;
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            if (!ok(column, row) && ++count <= 6) {
                some += " (" + std::to_string(column) + "," + std::to_string(row) + ")";
            }
        }
    }
    EXPECT_EQ(count, 0) << what << ", wrong in cells" << some;
}

// Every cell on the game's black, whatever the terminal's own colours, but
// the highlighted text on grey and the big food, blue, on the board.
void ExpectBlack(const Dump& dump, int highlight_row, int first, int last) {
    ExpectAll("black but for the highlight", 0, 0, kColumns - 1, kRows - 1, [&](int c, int r) {
        const std::string& background = dump.At(c, r).background;
        if (r == highlight_row && c >= first && c <= last) return background == kGrey;
        return background == kBlack ||
               (c >= 4 && c <= 59 && r >= 2 && r <= 29 && background == kBlue);
    });
}

// That `text` starts in its cell: no glyph of its own just before it.
void ExpectText(const Dump& dump, int column, int row, const std::string& text) {
    int width = 0;
    for (const char byte : text) {
        if ((byte & 0xC0) != 0x80) width += (byte & 0x80) ? 2 : 1;
    }
    EXPECT_EQ(dump.Text(column, row, width), text) << "row " << row;
    EXPECT_TRUE(dump.At(column - 1, row).glyph == " " || dump.At(column - 1, row).glyph.empty())
        << "before the text on row " << row;
}

// The side panel's texts, each where its cell puts it.
void ExpectPanel(const Dump& dump) {
    const struct {
        int column, row;
        const char* text;
    } kPanel[] = {{64, 1, "Wendlecrux Snake"}, {68, 2, "Kvor蛇"}, {62, 4, "难度："},
                  {66, 5, "摆烂模式（135）"},  {62, 7, "得分："}, {71, 13, "方向键移动"},
                  {71, 15, "ESC键暂停"},       {64, 19, "菜单："}};
    for (const auto& [column, row, text] : kPanel) ExpectText(dump, column, row, text);
}

void ExpectPauseScreen(const Dump& dump) {
    ExpectBlack(dump, 21, 68, 75);
    ExpectAll("the wall", 2, 1, 61, 30, [&](int c, int r) {
        const bool wall = r == 1 || r == 30 || c == 2 || c == 60;
        return c % 2 == 1 || !wall || dump.At(c, r).glyph == "■";
    });
    ExpectPanel(dump);
    EXPECT_TRUE(dump.At(79, 8).glyph != " " && dump.At(80, 8).glyph == " ")
        << "the score ends in column 79";
    EXPECT_EQ(dump.At(64, 1).foreground, "rgb(0.00%, 80.39%, 80.39%)") << "xterm's cyan";
    for (const auto& [row, item] :
         {std::pair{21, "继续游戏"}, {23, "重新开始"}, {25, "退出游戏"}}) {
        ExpectText(dump, 68, row, item);
    }
}

// The box's lines by their shape, whatever glyph draws them: "━", the DEC
// set's "q" as xterm draws it, or "-"; and their columns.
void ExpectGameOverBox(const Dump& dump, int highlight) {
    ExpectBlack(dump, 18, highlight, highlight + 5);
    const auto is = [&](const char* shapes, int c, int r) {
        const std::string& glyph = dump.At(c, r).glyph;
        return glyph != " " && std::string(shapes).find(glyph) != std::string::npos;
    };
    ExpectAll("the rules", 16, 9, 68, 9,
              [&](int c, int) { return is("━─-", c, 9) && is("━─-", c, 20); });
    ExpectAll("the bars", 15, 10, 15, 19,
              [&](int, int r) { return is("┃│|", 15, r) && is("┃│|", 68, r); });
    ExpectAll("right of the box", 69, 9, kColumns - 1, 20, [&](int c, int r) {
        return dump.At(c, r).glyph == " " || ((r == 13 || r == 15) && c >= 71);
    });
    ExpectText(dump, 32, 16, "你卷到的分数为：");
    EXPECT_NE(dump.At(48, 16).glyph, " ") << "the score after the colon";
    ExpectText(dump, 50, 18, "继续卷  卷个** ");
    EXPECT_EQ(dump.At(32, 16).foreground, "rgb(0.00%, 100.00%, 100.00%)") << "light cyan";
    EXPECT_EQ(dump.At(highlight, 18).foreground, kBlue);
}

struct Look {
    const char* name;
    const char* locale;
    std::vector<std::string> options;
};

// A private X server with one xterm that runs the game in the set-up's
// locale and colours, and then keeps its last screen, both ended with the
// test. xterm writes its dumps into its working directory, the test's own.
class InAnXterm : public ::testing::TestWithParam<Look> {
protected:
    void SetUp() override {
        const Look& setup = GetParam();
        if (X("{ command -v Xvfb && command -v xterm && command -v xdotool; } >/dev/null && "
              "LC_ALL=" +
              std::string(setup.locale) + " locale charmap") !=
            std::string(setup.locale).substr(std::string(setup.locale).find('.') + 1) + "\n") {
            GTEST_SKIP() << "needs Xvfb, xterm, xdotool and the " << setup.locale << " locale";
        }
        std::string dir = fs::temp_directory_path() / "snake-xterm-XXXXXX";
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        dir_ = dir;
        std::string options;
        for (const std::string& option : setup.options) options += " " + option;
        // Other X servers on this machine take the low numbers. One whose
        // number is taken ends at once; one that starts writes its number.
        X("cd " + dir_.string() +
          " || exit; for n in $(seq $((200 + $$ % 600)) 999); do Xvfb :$n "
          "-displayfd 3 -screen 0 1024x800x24 -nolisten tcp 3>display >/dev/null 2>&1 & "
          "echo $! >server; while kill -0 $! && [ ! -s display ]; do sleep 0.05; done; "
          "[ -s display ] && break; done; DISPLAY=:$(cat display) LC_ALL=" +
          setup.locale +
          " xterm -xrm 'XTerm*VT100.translations: #override Ctrl<Key>F12: dump-svg()' -fa "
          "'DejaVu Sans Mono' -fs 11 -b 0 -geometry 82x32" +
          options +
          " -e sh -c '" GAME_PATH
          "; echo $? >status; sleep 600' >/dev/null 2>&1 & echo $! >terminal");
        display_ = ":" + Read("display");
        window_ = X("timeout 20 xdotool search --sync --pid " + Read("terminal"));
        window_ = window_.substr(0, window_.find('\n'));
        ASSERT_FALSE(window_.empty()) << "no xterm window";
        // Key events from the X server's keyboard go to the focused window.
        X("xdotool windowfocus --sync " + window_);
    }
    void TearDown() override {
        if (dir_.empty()) return;
        X("cd " + dir_.string() + " && kill $(cat terminal server); sleep 0.2; rm -rf " +
          dir_.string());
    }
    // The first line of a file of the test's.
    std::string Read(const std::string& name) {
        std::string line;
        std::getline(std::ifstream(dir_ / name), line);
        return line;
    }

    // Any command on this test's display; its output.
    std::string X(const std::string& command) {
        FILE* pipe =
            ::popen(("export DISPLAY=" + display_ + "; " + command + " 2>/dev/null").c_str(), "r");
        std::string output;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
        return output;
    }
    void Keys(const std::string& keys) { X("xdotool key --delay 60 " + keys); }
    // xterm's dump, taken out of its way: a second one within the same second
    // would find the name taken.
    std::optional<Dump> TakeDump() {
        Keys("ctrl+F12");
        for (int tries = 0; tries < 50; std::this_thread::sleep_for(20ms), ++tries) {
            for (const auto& entry : fs::directory_iterator(dir_)) {
                if (entry.path().extension() != ".svg") continue;
                std::stringstream svg;
                svg << std::ifstream(entry.path()).rdbuf();
                if (Dump dump(svg.str()); dump.complete) {
                    fs::remove(entry.path());
                    return dump;
                }
            }
        }
        return std::nullopt;
    }
    // A dump once `done` holds for it and for another taken a moment later,
    // so that nothing is half drawn; nothing after 20 s.
    std::optional<Dump> WaitFor(const std::function<bool(const Dump&)>& done) {
        for (auto give_up = std::chrono::steady_clock::now() + 20s;
             std::chrono::steady_clock::now() < give_up; std::this_thread::sleep_for(100ms)) {
            if (const auto dump = TakeDump(); dump && done(*dump)) {
                std::this_thread::sleep_for(300ms);
                if (auto again = TakeDump(); again && done(*again)) return again;
            }
        }
        return std::nullopt;
    }
    // The game's exit status, once the shell has it.
    std::string Status() {
        for (int i = 0; i < 100 && Read("status").empty(); ++i) std::this_thread::sleep_for(100ms);
        return Read("status");
    }

private:
    fs::path dir_;
    std::string display_;
    std::string window_;
};

bool Highlighted(const Dump& dump, int column, int row) {
    return dump.At(column, row).background == kGrey;
}

TEST_P(InAnXterm, ThePauseScreenAndTheGameOverBoxLookAsLaidOut) {
    Keys("Return Return Return Return");
    ASSERT_TRUE(WaitFor([](const Dump& d) { return d.At(2, 30).glyph == "■"; })) << "no round";
    std::this_thread::sleep_for(500ms);
    Keys("Escape");
    const auto paused = WaitFor([](const Dump& d) { return Highlighted(d, 68, 21); });
    ASSERT_TRUE(paused) << "no pause menu";
    {
        SCOPED_TRACE("the pause screen");
        ExpectPauseScreen(*paused);
    }
    // Unpaused, the snake runs down into the wall.
    Keys("Return");
    const auto box = WaitFor([](const Dump& d) { return Highlighted(d, 50, 18); });
    ASSERT_TRUE(box) << "no game-over box";
    {
        SCOPED_TRACE("the game-over box");
        ExpectGameOverBox(*box, 50);
    }
    Keys("Right");
    const auto other = WaitFor([](const Dump& d) { return Highlighted(d, 58, 18); });
    ASSERT_TRUE(other) << "the highlight did not move";
    {
        SCOPED_TRACE("the game-over box, the other choice highlighted");
        ExpectGameOverBox(*other, 58);
    }
    Keys("Return");
    EXPECT_EQ(Status(), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Terminals, InAnXterm,
    ::testing::Values(
        Look{"DarkNarrow", "C.UTF-8", {"-bg", "black", "-fg", "white"}},
        Look{"LightNarrow", "C.UTF-8", {"-bg", "white", "-fg", "black"}},
        Look{"DarkCjkWidth", "C.UTF-8", {"-bg", "black", "-fg", "white", "-cjk_width"}},
        // xterm runs luit for a locale other than UTF-8.
        Look{"GbkThroughLuit", "zh_CN.GBK", {"-bg", "black", "-fg", "white", "-cjk_width"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
