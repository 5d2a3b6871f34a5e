// The screen record every console draws into, and the bytes that present it
// to a terminal.
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/vt_presenter.h"

namespace {

using platform::LineForm;
using platform::Screen;
using platform::VtPresenter;

constexpr platform::Cursor kHidden{0, 0, false};

TEST(Screen, OverwritingHalfAWideCharacterBlanksTheOtherHalf) {
    Screen screen;
    screen.Put(0, 0, "蛇蛇蛇", 3);
    screen.Put(1, 0, "x", 5);
    screen.Put(4, 0, "y", 5);
    EXPECT_EQ(screen.RowText(0), " x蛇y" + std::string(77, ' '));
    EXPECT_EQ(screen.At(0, 0).attribute, 3);
    screen.Put(3, 0, "■", 2);
    EXPECT_EQ(screen.RowText(0), " x ■" + std::string(77, ' '));
}

TEST(Screen, TextPastTheEdgesIsCutOff) {
    Screen screen;
    screen.Put(80, 0, "ab", 3);
    screen.Put(81, 1, "蛇c", 3);
    screen.Put(0, 32, "x", 3);
    screen.Put(-1, 2, "xy", 3);
    EXPECT_EQ(screen.RowText(0).substr(80), "ab");
    EXPECT_EQ(screen.RowText(2).substr(0, 2), "y ");
    Screen expected;
    expected.Put(80, 0, "ab", 3);
    expected.Put(0, 2, "y", 3);
    EXPECT_EQ(screen, expected) << "nothing else shows, not even half of the wide character";
}

// What a fresh presenter sends for `text` at (column, row), past the bytes
// that clear the screen at the start.
std::string Drawn(VtPresenter& presenter, int column, int row, const std::string& text,
                  int attribute) {
    Screen screen;
    presenter.Present(screen, kHidden);
    presenter.TakeBytes();
    screen.Put(column, row, text, attribute);
    presenter.Present(screen, kHidden);
    return std::string(presenter.TakeBytes());
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
    presenter.Present(screen, kHidden);
    const std::string bytes(presenter.TakeBytes());
    EXPECT_TRUE(bytes.starts_with("\x1b(B\x1b[0m\x1b[?7l\x1b[37;40m\x1b[H\x1b[2J")) << bytes;
    // Every cell is written too, for terminals that clear in their own colour.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), ' '), Screen::kColumns * Screen::kRows);
    const std::string reset = "\x1b(B\x1b[0m\x1b[?25h\x1b[?7h";
    const std::string below = "\x1b[32H\r\n";
    using Changes = VtPresenter::Changes;
    const std::pair game{82, 32};
    EXPECT_EQ(VtPresenter::RestoreBytes(Changes{}), reset + below);
    EXPECT_EQ(VtPresenter::RestoreBytes(Changes{"Snake", game, game}),
              reset + "\x1b[23;0t" + below);
    EXPECT_EQ(VtPresenter::RestoreBytes(Changes{"", game, std::pair{100, 40}}),
              reset + "\x1b[8;40;100t" + below);
}

}  // namespace
