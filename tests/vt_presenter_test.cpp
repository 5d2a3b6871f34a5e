#include "platform/vt_presenter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/virtual_console.h"
#include "snake.h"
#include "tool.h"

namespace {

using platform::LineForm;
using platform::Screen;
using platform::VtPresenter;

// What a fresh presenter sends for `text` at (column, row), past the bytes
// that clear the screen at the start.
std::string Drawn(VtPresenter& presenter, int column, int row, const std::string& text,
                  int attribute) {
    Screen screen;
    presenter.Frame(screen, false, 0, 0);
    presenter.ClearBytes();
    screen.Put(column, row, text, attribute);
    presenter.Frame(screen, false, 0, 0);
    return presenter.bytes();
}

TEST(VtPresenter, TheGamesAttributesBecomeColoursWithABlackBackground) {
    const std::pair<int, const char*> cases[] = {
        {2, "\x1b[32m"},     {3, "\x1b[36m"},      {6, "\x1b[33m"},        {7, ""},
        {11, "\x1b[96m"},    {12, "\x1b[91m"},     {13, "\x1b[95m"},       {14, "\x1b[93m"},
        {18, "\x1b[32;44m"}, {113, "\x1b[34;47m"}, {0xF0, "\x1b[30;107m"},
    };
    for (const auto& [attribute, sgr] : cases) {
        VtPresenter presenter;
        EXPECT_EQ(Drawn(presenter, 0, 1, "x", attribute), std::string("\x1b[2H") + sgr + "x")
            << attribute;
    }
}

TEST(VtPresenter, GlyphsTakeTheFormTheTerminalDrawsAtTheLayoutsWidth) {
    const struct {
        bool ambiguous_wide;
        LineForm form;
        const char* bytes;
    } cases[] = {
        {false, LineForm::kUnicode, "■ ● ★ ○ 蛇━┃"},
        {true, LineForm::kDecGraphics, "■●★○蛇\x1b(0qx\x1b(B"},
        {true, LineForm::kAscii, "■●★○蛇-|"},
    };
    for (const auto& c : cases) {
        VtPresenter presenter;
        presenter.SetAmbiguousWide(c.ambiguous_wide);
        presenter.SetLineForm(c.form);
        EXPECT_EQ(Drawn(presenter, 4, 1, "■●★○蛇━┃", 7), std::string("\x1b[2;5H") + c.bytes);
    }
}

TEST(VtPresenter, StartsOnABlackScreenAndPutsTheTerminalBack) {
    VtPresenter presenter;
    Screen screen;
    presenter.Frame(screen, false, 0, 0);
    const std::string& bytes = presenter.bytes();
    EXPECT_TRUE(bytes.starts_with("\x1b(B\x1b[0m\x1b[?7l\x1b[37;40m\x1b[H\x1b[2J")) << bytes;
    // Every cell is written too, for terminals that clear in their own colour.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), ' '), Screen::kColumns * Screen::kRows);
    const std::string reset = "\x1b(B\x1b[0m\x1b[?25h\x1b[?7h";
    const std::string below = "\x1b[32;1H\r\n";
    using Changes = VtPresenter::Changes;
    EXPECT_EQ(VtPresenter::RestoreBytes(Changes{}), reset + below);
    EXPECT_EQ(VtPresenter::RestoreBytes(Changes{true, std::pair{82, 32}}),
              reset + "\x1b[23;0t" + below);
    EXPECT_EQ(VtPresenter::RestoreBytes(Changes{false, std::pair{100, 40}}),
              reset + "\x1b[8;40;100t" + below);
}

// The console a real snake step goes through, presented to a terminal.
class PresentedConsole : public platform::VirtualConsole {
public:
    std::string Frame() {
        presenter.ClearBytes();
        presenter.Frame(mutable_screen(), false, 0, 0);
        return presenter.bytes();
    }
    VtPresenter presenter;
};

TEST(VtPresenter, AStepSendsOnlyTheTwoCellsThatChanged) {
    PresentedConsole console;
    ConsoleScope scope(console);
    Snake snake;
    SetColor(6);
    snake.InitSnake();
    snake.NormalMove();
    console.Frame();
    snake.NormalMove();
    EXPECT_EQ(console.Frame(), "\x1b[9;31H  \x1b[2B● ");
    EXPECT_EQ(console.Frame(), "") << "nothing changed";
    SetCursorPosition(16, 10);
    Print("●");
    EXPECT_EQ(console.Frame(), "") << "drawn again as it was";
}

}  // namespace
