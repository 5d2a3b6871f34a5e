// The built game in a real xterm on a private X server, typed at with real
// key events and judged by the pixels xterm puts on the screen.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
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

using Rgb = std::array<int, 3>;
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kGrey{229, 229, 229};  // xterm's colour 7

int Distance(const Rgb& a, const Rgb& b) {
    return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

// What a cell shows: the colour of most of it, and the size of the box
// around the pixels that stand out from that colour (0 x 0 when blank).
struct Cell {
    Rgb background;
    int width, height;
};

// A screenshot of the window, read as 82 x 32 cells.
class Shot {
public:
    // `ppm` is a binary portable pixmap.
    explicit Shot(const std::string& ppm) {
        std::istringstream in(ppm);
        std::string magic;
        int depth = 0;
        in >> magic >> width >> height >> depth;
        in.get();
        pixels_.assign(std::istreambuf_iterator<char>(in), {});
        cw = width / kColumns;
        ch = height / kRows;
        valid = magic == "P6" && cw > 0 && width % kColumns == 0 && height % kRows == 0 &&
                pixels_.size() == static_cast<std::size_t>(width) * height * 3;
    }
    Cell At(int column, int row) const {
        std::vector<Rgb> pixels;
        std::map<Rgb, int> counts;
        for (int y = row * ch; y < (row + 1) * ch; ++y) {
            for (int x = column * cw; x < (column + 1) * cw; ++x) {
                const auto* p = reinterpret_cast<const unsigned char*>(
                    &pixels_[3 * (static_cast<std::size_t>(y) * width + x)]);
                ++counts[pixels.emplace_back(Rgb{p[0], p[1], p[2]})];
            }
        }
        Cell cell{std::max_element(counts.begin(), counts.end(),
                                   [](const auto& a, const auto& b) { return a.second < b.second; })
                      ->first,
                  0, 0};
        int left = cw;
        int top = ch;
        int right = -1;
        int bottom = -1;
        for (int i = 0; i < cw * ch; ++i) {
            if (Distance(pixels[i], cell.background) <= 96) continue;
            left = std::min(left, i % cw);
            right = std::max(right, i % cw);
            top = std::min(top, i / cw);
            bottom = std::max(bottom, i / cw);
        }
        if (right >= 0) {
            cell.width = right - left + 1;
            cell.height = bottom - top + 1;
        }
        return cell;
    }
    bool Blank(int column, int row) const { return At(column, row).width == 0; }

    int width = 0, height = 0, cw = 0, ch = 0;
    bool valid = false;

private:
    std::string pixels_;
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

// Text that starts in its cell: something drawn there, nothing just before.
void ExpectTextStarts(const Shot& shot, const std::vector<std::pair<int, int>>& starts) {
    for (const auto& [column, row] : starts) {
        EXPECT_TRUE(!shot.Blank(column, row) && shot.Blank(column - 1, row))
            << "text starting at column " << column << " of row " << row;
    }
}

// Every cell on the game's black, whatever the terminal's own colours,
// except the highlighted text on grey and the big food, blue, on the board.
void ExpectBlack(const Shot& shot, int highlight_row, int first, int last) {
    ExpectAll("black but for grey on row " + std::to_string(highlight_row) + " from column " +
                  std::to_string(first) + " to " + std::to_string(last),
              0, 0, kColumns - 1, kRows - 1, [&](int column, int row) {
                  const Rgb colour = shot.At(column, row).background;
                  if (row == highlight_row && column >= first && column <= last) {
                      return Distance(colour, kGrey) < 24;
                  }
                  const bool board = column >= 4 && column <= 59 && row >= 2 && row <= 29;
                  return Distance(colour, kBlack) < 24 ||
                         (board && colour[2] > 150 && colour[0] < 130);
              });
}

void ExpectPauseScreen(const Shot& shot) {
    ExpectBlack(shot, 21, 68, 75);
    ExpectAll("the border", 2, 1, 61, 30, [&](int column, int row) {
        const bool border = row == 1 || row == 30 || column == 2 || column == 60;
        return column % 2 == 1 || !border || !shot.Blank(column, row);
    });
    const std::vector<std::pair<int, int>> panel = {{64, 1},  {68, 2},  {62, 4},  {66, 5},
                                                    {62, 7},  {71, 13}, {71, 15}, {64, 19},
                                                    {68, 21}, {68, 23}, {68, 25}};
    ExpectTextStarts(shot, panel);
    EXPECT_TRUE(!shot.Blank(79, 8) && shot.Blank(80, 8)) << "the score ends in column 79";
}

// The box, with the choice that starts in column `highlight` on grey. Its
// lines are judged by shape, whatever glyph draws them: thin across and long
// along, unlike a letter.
void ExpectGameOverBox(const Shot& shot, int highlight) {
    ExpectBlack(shot, 18, highlight, highlight + 5);
    const auto horizontal = [&](int column, int row) {
        const Cell cell = shot.At(column, row);
        return cell.height > 0 && 4 * cell.height <= shot.ch && 3 * cell.width >= shot.cw;
    };
    const auto vertical = [&](int column, int row) {
        const Cell cell = shot.At(column, row);
        return cell.width > 0 && 3 * cell.width <= shot.cw && 2 * cell.height >= shot.ch;
    };
    ExpectAll("the top rule", 16, 9, 68, 9, horizontal);
    ExpectAll("the bottom rule", 16, 20, 68, 20, horizontal);
    ExpectAll("the left bar", 15, 10, 15, 19, vertical);
    ExpectAll("the right bar", 68, 10, 68, 19, vertical);
    // The side panel's own text on rows 13 and 15 is all that shows there.
    ExpectAll("right of the box", 69, 9, kColumns - 1, 20, [&](int column, int row) {
        return shot.Blank(column, row) ||
               ((row == 13 || row == 15) && column >= 71 && column <= 80);
    });
    ExpectTextStarts(shot, {{32, 16}, {50, 18}, {58, 18}});
    EXPECT_FALSE(shot.Blank(48, 16)) << "the score after the colon";
    EXPECT_TRUE(!shot.Blank(63, 18) && shot.Blank(64, 18)) << "\"卷个**\" ends in column 63";
}

struct Setup {
    const char* name;
    const char* locale;
    std::vector<std::string> options;
};

// A private X server with one xterm that runs the game in the set-up's
// locale and colours, and then keeps its last screen. Every process it
// starts ends with it.
class InAnXterm : public ::testing::TestWithParam<Setup> {
protected:
    void SetUp() override {
        if (std::system("{ command -v Xvfb && command -v xterm && command -v xdotool && "
                        "command -v import; } >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "needs Xvfb, xterm, xdotool and ImageMagick";
        }
        std::string dir = fs::temp_directory_path() / "snake-xterm-XXXXXX";
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        dir_ = dir;
        // Other X servers on this machine take the low numbers. One whose
        // number is taken ends at once without a word; one that starts
        // writes its number and a newline apart, and dies if the pipe is
        // closed in between.
        for (int number = 200 + ::getpid() % 600; display_.empty() && number < 1000; ++number) {
            int pipe[2];
            ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
            server_ = Spawn({"Xvfb", ":" + std::to_string(number), "-displayfd", "3", "-screen",
                             "0", "1024x800x24", "-nolisten", "tcp"},
                            {}, pipe[1]);
            ::close(pipe[1]);
            for (char c = 0; c != '\n' && ::read(pipe[0], &c, 1) == 1;) {
                display_ = ":" + std::to_string(number);
            }
            ::close(pipe[0]);
            if (display_.empty()) ::waitpid(std::exchange(server_, -1), nullptr, 0);
        }
        ASSERT_FALSE(display_.empty()) << "no X server";
        Start(GetParam().locale, GetParam().options);
    }
    void TearDown() override {
        for (pid_t pid : {terminal_, server_}) {
            if (pid <= 0) continue;
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    // The game in an 82 x 32 xterm in `locale`, if the system has it.
    void Start(const std::string& locale, const std::vector<std::string>& options) {
        if (X("LC_ALL=" + locale + " locale charmap") !=
            locale.substr(locale.find('.') + 1) + "\n") {
            GTEST_SKIP() << "no " << locale << " locale";
        }
        std::vector<std::string> command = {"xterm", "-fa", "DejaVu Sans Mono", "-fs",  "11",
                                            "-b",    "0",   "-geometry",        "82x32"};
        command.insert(command.end(), options.begin(), options.end());
        command.insert(command.end(),
                       {"-e", "sh", "-c",
                        GAME_PATH "; echo $? >" + (dir_ / "status").string() + "; sleep 600"});
        terminal_ = Spawn(command, {"DISPLAY=" + display_, "LANG=" + locale, "LC_ALL=" + locale});
        window_ = X("timeout 20 xdotool search --sync --pid " + std::to_string(terminal_));
        window_ = window_.substr(0, window_.find('\n'));
        ASSERT_FALSE(window_.empty()) << "no xterm window";
        // Key events from the X server's keyboard go to the focused window.
        X("xdotool windowfocus --sync " + window_);
    }

    // Any command on this test's display; its output.
    std::string X(const std::string& command) {
        FILE* pipe = ::popen(("DISPLAY=" + display_ + " " + command + " 2>/dev/null").c_str(), "r");
        std::string output;
        char buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
        return output;
    }
    void Keys(const std::string& keys) { X("xdotool key --delay 60 " + keys); }
    Shot Screenshot() { return Shot(X("import -window " + window_ + " -depth 8 ppm:-")); }
    // A screenshot once `done` holds for it and for another taken a moment
    // later, so that nothing is half drawn; nothing after 20 s.
    std::optional<Shot> WaitFor(const std::function<bool(const Shot&)>& done) {
        for (auto give_up = std::chrono::steady_clock::now() + 20s;
             std::chrono::steady_clock::now() < give_up; std::this_thread::sleep_for(100ms)) {
            if (const Shot shot = Screenshot(); shot.valid && done(shot)) {
                std::this_thread::sleep_for(300ms);
                if (const Shot again = Screenshot(); again.valid && done(again)) return again;
            }
        }
        return std::nullopt;
    }
    // The game's exit status, once the shell has it.
    std::string Status() {
        std::string status;
        for (int i = 0; i < 100 && status.empty(); ++i) {
            std::this_thread::sleep_for(100ms);
            std::getline(std::ifstream(dir_ / "status"), status);
        }
        return status;
    }
    // Through the welcome lines and the mode menu into a round, then paused.
    std::optional<Shot> PauseScreen() {
        Keys("Return Return Return Return");
        if (!WaitFor([](const Shot& s) { return !s.Blank(66, 5) && !s.Blank(2, 30); })) return {};
        std::this_thread::sleep_for(500ms);
        Keys("Escape");
        return WaitFor([](const Shot& s) {
            return Distance(s.At(68, 21).background, kGrey) < 24 && !s.Blank(68, 25);
        });
    }

private:
    // Starts a program with `environment` added to the test's own, and with
    // `display_fd`, if given, as its descriptor 3.
    static pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> environment,
                       int display_fd = -1) {
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (std::string& word : argv) args.push_back(word.data());
        args.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        if (display_fd >= 0) ::dup2(display_fd, 3);
        const int null = ::open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
        for (std::string& setting : environment) ::putenv(setting.data());
        ::execvp(args[0], args.data());
        ::_exit(127);
    }

    fs::path dir_;
    std::string display_;
    std::string window_;
    pid_t server_ = -1;
    pid_t terminal_ = -1;
};

TEST_P(InAnXterm, ThePauseScreenAndTheGameOverBoxLookAsLaidOut) {
    const std::optional<Shot> paused = PauseScreen();
    ASSERT_TRUE(paused) << "no pause menu";
    {
        SCOPED_TRACE("the pause screen");
        ExpectPauseScreen(*paused);
    }
    // Unpaused, the snake runs down into the wall.
    Keys("Return");
    const auto box = WaitFor([](const Shot& s) {
        return Distance(s.At(50, 18).background, kGrey) < 24 && !s.Blank(63, 18);
    });
    ASSERT_TRUE(box) << "no game-over box";
    {
        SCOPED_TRACE("the game-over box");
        ExpectGameOverBox(*box, 50);
    }
    Keys("Right");
    const auto other =
        WaitFor([](const Shot& s) { return Distance(s.At(58, 18).background, kGrey) < 24; });
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
        Setup{"DarkNarrow", "C.UTF-8", {"-bg", "black", "-fg", "white"}},
        Setup{"LightNarrow", "C.UTF-8", {"-bg", "white", "-fg", "black"}},
        Setup{"DarkCjkWidth", "C.UTF-8", {"-bg", "black", "-fg", "white", "-cjk_width"}},
        // xterm runs luit for a locale other than UTF-8.
        Setup{"GbkThroughLuit", "zh_CN.GBK", {"-bg", "black", "-fg", "white", "-cjk_width"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
