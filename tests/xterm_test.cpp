// The built game in a real xterm on a private X server, typed at with real
// key events and judged by xterm's own record of its screen: the SVG it
// writes on Ctrl+F12, which holds each cell's glyph and colours as xterm drew
// them, wide glyphs, luit and themes included. What it should show is what
// the virtual console shows after the same keys.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "expected_screen.h"

namespace {

using platform::Screen;

constexpr const char* kToPause = "Return Return Return Return Escape";
constexpr const char* kToBox = "Return Return Return Return Escape Return";

// An SVG colour as an index into xterm's default 16. Any other, such as a
// theme's own white, must never pass for one of the game's.
int Colour(const std::string& fill) {
    constexpr long kPalette[] = {0x000000, 0xcd0000, 0x00cd00, 0xcdcd00, 0x0000ee, 0xcd00cd,
                                 0x00cdcd, 0xe5e5e5, 0x7f7f7f, 0xff0000, 0x00ff00, 0xffff00,
                                 0x5c5cff, 0xff00ff, 0x00ffff, 0xffffff};
    static const std::regex percent("[\\d.]+");
    long code = 0;
    for (std::sregex_iterator it(fill.begin(), fill.end(), percent), end; it != end; ++it) {
        code = code << 8 | std::lround(std::stod(it->str()) * 2.55);
    }
    const long* found = std::find(std::begin(kPalette), std::end(kPalette), code);
    return found == std::end(kPalette) ? ShownCell::kDefault : static_cast<int>(found - kPalette);
}

// xterm's SVG screen dump as cells, a glyph each (" " where nothing is
// drawn); none if there is no dump.
std::vector<ShownCell> Cells(const std::string& svg) {
    const std::regex item(
        "<!-- Row (\\d+) -->|<rect x='(\\d+)' y='\\d+' height='\\d+' width='(\\d+)' "
        "fill='([^']+)'|<g fill='([^']+)'>|<text x='(\\d+)' y='\\d+'>([^<]*)</text>");
    std::vector<ShownCell> cells(Screen::kCells, {" ", ShownCell::kUnknown, ShownCell::kDefault});
    int row = -1;
    int foreground = ShownCell::kUnknown;
    // The font and size the test starts xterm with, and no border, put cells
    // every 10 pixels from the left edge.
    const auto cell = [&](int x) -> ShownCell& {
        return cells.at(static_cast<std::size_t>(row) * Screen::kColumns + x / 10);
    };
    for (std::sregex_iterator it(svg.begin(), svg.end(), item), end; it != end; ++it) {
        const std::smatch& m = *it;
        if (m[1].matched) {
            row = std::stoi(m[1]);
        } else if (m[2].matched) {
            const int background = Colour(m[4]);
            for (int x = std::stoi(m[2]); x < std::stoi(m[2]) + std::stoi(m[3]); x += 10) {
                cell(x).background = background;
            }
        } else if (m[5].matched) {
            foreground = Colour(m[5]);
        } else {
            cell(std::stoi(m[6])).glyph = m[7];
            cell(std::stoi(m[6])).foreground = foreground;
        }
    }
    return row == Screen::kRows - 1 ? cells : std::vector<ShownCell>{};
}

struct Look {
    const char *name, *locale, *options;
};

// A private X server with one xterm that runs the game in the set-up's
// locale and colours, and then keeps its last screen, both ended with the
// test. xterm writes its dumps into its working directory, the test's own.
class InAnXterm : public ::testing::TestWithParam<Look> {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / "snake-xterm-XXXXXX";
        ASSERT_NE(::mkdtemp(dir_.data()), nullptr);
        const std::string locale = GetParam().locale;
        if (X("export LC_ALL=" + locale +
              "; { command -v Xvfb && command -v xterm && command -v xdotool; } >/dev/null && "
              "locale charmap") != locale.substr(locale.find('.') + 1) + "\n") {
            GTEST_SKIP() << "needs Xvfb, xterm, xdotool and the " << locale << " locale";
        }
        // Other X servers on this machine take the low numbers. One whose
        // number is taken ends at once; one that starts writes its number.
        // Key events from the X server's keyboard go to the focused window.
        ASSERT_EQ(X("for n in $(seq $((200 + $$ % 600)) 999); do Xvfb :$n -displayfd 3 -screen 0 "
                    "1024x800x24 -nolisten tcp 3>display >/dev/null 2>&1 & echo $! >server; "
                    "while kill -0 $! && [ ! -s display ]; do sleep 0.05; done; [ -s display ] "
                    "&& break; done; export DISPLAY=:$(cat display) LC_ALL=" +
                    locale +
                    "; xterm -xrm 'XTerm*VT100.translations: #override Ctrl<Key>F12: dump-svg()' "
                    "-fa 'DejaVu Sans Mono' -fs 11 -b 0 -geometry 82x32 " +
                    GetParam().options +
                    " -e sh -c '" GAME_PATH
                    "; echo $? >status; sleep 600' >/dev/null 2>&1 & echo $! >terminal; "
                    "w=$(timeout 20 xdotool search --sync --pid $! | head -1); "
                    "xdotool windowfocus --sync $w && echo focused"),
                  "focused\n")
            << "no xterm window";
    }
    void TearDown() override {
        if (!dir_.empty()) X("kill $(cat terminal server); sleep 0.2; rm -rf " + dir_);
    }
    // Any command in the test's directory and on its display; its output.
    std::string X(const std::string& command) {
        const std::string line =
            "cd " + dir_ + " && export DISPLAY=:$(cat display 2>/dev/null); " + command;
        FILE* pipe = ::popen((line + " 2>/dev/null").c_str(), "r");
        std::string output;
        for (int c; (c = std::fgetc(pipe)) != EOF;) output += static_cast<char>(c);
        ::pclose(pipe);
        return output;
    }
    void Keys(const std::string& keys) { X("xdotool key --delay 60 " + keys); }
    // Types `typed`; then how xterm's screen differs from the virtual
    // console's after `keys`: not at all once the game has drawn it, else as
    // in the last dump of some 20 s. xterm names its dumps by the second and
    // will not write over one.
    std::string DifferencesAfter(const std::string& typed, const std::string& keys) {
        Keys(typed);
        const Screen expected = ScreenAfter(keys);
        std::string differences = "no dump";
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!differences.empty() && std::chrono::steady_clock::now() < give_up) {
            const auto cells =
                Cells(X("xdotool key ctrl+F12; sleep 0.3; "
                        "f=$(grep -l '</svg>' *.svg | head -1) && cat $f && rm $f"));
            if (cells.empty()) continue;
            const auto shown = [&](int c, int r) { return cells.at(r * Screen::kColumns + c); };
            differences = Differences(expected, shown, Board::kPlayed);
        }
        return differences;
    }

private:
    std::string dir_;
};

TEST_P(InAnXterm, ShowsWhatTheVirtualConsoleShows) {
    EXPECT_EQ(DifferencesAfter(kToPause, kToPause), "") << "the pause screen";
    // Unpaused, the snake runs down into the wall.
    EXPECT_EQ(DifferencesAfter("Return", kToBox), "") << "the game-over box";
    EXPECT_EQ(DifferencesAfter("Right", std::string(kToBox) + " later Right"), "")
        << "the game-over box, the other choice highlighted";
    Keys("Return");
    EXPECT_EQ(X("for i in $(seq 100); do [ -s status ] && break; sleep 0.1; done; cat status"),
              "0\n");
}

INSTANTIATE_TEST_SUITE_P(
    Terminals, InAnXterm,
    ::testing::Values(Look{"DarkNarrow", "C.UTF-8", "-bg black -fg white"},
                      Look{"LightNarrow", "C.UTF-8", "-bg white -fg black"},
                      Look{"DarkCjkWidth", "C.UTF-8", "-bg black -fg white -cjk_width"},
                      // xterm runs luit for a locale other than UTF-8.
                      Look{"GbkThroughLuit", "zh_CN.GBK", "-bg black -fg white -cjk_width"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
