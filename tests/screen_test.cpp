// The screen record every console draws into, and what presents it: the
// bytes a terminal is sent, the cells the Windows console is given.
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/vt_presenter.h"
#include "platform/windows_presenter.h"

namespace {

using platform::ConsoleCell;
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

// The Windows console's screen buffer in memory, each cell as last written.
class BufferInMemory : public platform::ConsoleOutput {
public:
    void WriteCells(int column, int row, const std::vector<ConsoleCell>& cells) override {
        std::copy(cells.begin(), cells.end(), cells_.begin() + Index(column, row));
    }
    void Clear() override { cells_.fill({u' ', 7}); }
    void PlaceCursor(const platform::Cursor&) override {}

    // The characters from `column` on, `width` cells.
    std::u16string Text(int column, int row, int width) const {
        std::u16string text;
        for (int c = column; c < column + width; ++c) text += At(c, row).character;
        return text;
    }
    const ConsoleCell& At(int column, int row) const { return cells_[Index(column, row)]; }

private:
    static std::size_t Index(int column, int row) {
        return static_cast<std::size_t>(row) * Screen::kColumns + static_cast<std::size_t>(column);
    }

    std::array<ConsoleCell, Screen::kCells> cells_{};
};

// A welcome line typed and blanked, a menu item written over it, then a box's
// corner: whatever width the console gives a glyph, every cell holds what the
// layout put there, and nothing of the welcome line is left.
TEST(WindowsPresenter, EveryCellHoldsWhatTheRecordHolds) {
    const struct {
        const char* console;
        platform::ConsoleWidths widths;
        std::u16string menu;
        std::u16string corner;
    } cases[] = {
        {"without double-width cells", {false, false, false}, u"摆 烂 模 式 ", u"━┃■ "},
        {"with a CJK font", {true, true, true}, u"摆摆烂烂模模式式", u"-|■■"},
        {"with a western font", {true, false, false}, u"摆摆烂烂模模式式", u"━┃■ "},
        {"handing its cells on to a terminal",
         {false, false, false, u'\u200B'},
         u"摆\u200B烂\u200B模\u200B式\u200B",
         u"━┃■ "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.console);
        BufferInMemory buffer;
        platform::WindowsPresenter presenter(buffer, c.widths);
        Screen screen;
        screen.Put(30, 22, "就努力成为最卷的蛇吧！", 3);
        presenter.Present(screen, kHidden);
        screen.Put(30, 22, std::string(36, ' '), 3);
        screen.Put(36, 22, "摆烂模式", 113);
        screen.Put(14, 9, "━┃■", 11);
        presenter.Present(screen, kHidden);
        EXPECT_EQ(buffer.Text(30, 22, 36), u"      " + c.menu + std::u16string(22, u' '));
        EXPECT_EQ(buffer.Text(14, 9, 4), c.corner);
        EXPECT_EQ(buffer.At(37, 22).attributes & 0xFF, 113);
        EXPECT_EQ(buffer.At(29, 22).attributes, 7) << "the cell before the line was never drawn on";
    }
}

}  // namespace
