// The screen record every console draws into, and what presents it to a
// terminal and to the Windows console. How a terminal draws what it is sent is
// judged in a real xterm; here, only what xterm's set-ups never show.
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "game_fixture.h"
#include "platform/terminal/vt_presenter.h"
#include "platform/windows/presenter.h"

namespace {

using platform::ConsoleCell;
using platform::Screen;

constexpr platform::Cursor kHidden{0, 0, false};

// Whatever of a wide character is overwritten, the rest of it turns blank.
TEST(Screen, OverwritingHalfAWideCharacterBlanksTheOtherHalf) {
    Screen screen;
    screen.Put(0, 0, "蛇蛇蛇", 3);
    screen.Put(1, 0, "x", 5);
    EXPECT_EQ(RowText(screen, 0), " x蛇蛇" + std::string(76, ' '));
    EXPECT_EQ(screen.At(0, 0).attribute, 3);
    screen.Put(3, 0, "■", 2);
    EXPECT_EQ(RowText(screen, 0), " x ■ " + std::string(76, ' '));
}

// Terminals erase in the current background, so each clear must come after a
// black one (SGR 40); autowrap goes off before a frame, so that writing the
// bottom-right cell scrolls no terminal; and in the DEC special graphics set
// the rule is "q" and the bar "x". None of it shows in the xterm tests: xterm
// draws DEC lines wide under -cjk_width, so the game takes "-" and "|" there,
// and the window is never made too small for the notice.
TEST(VtPresenter, ClearsToBlackWritesTheLastCellUnwrappedAndKnowsTheDecLines) {
    platform::VtPresenter presenter;
    presenter.ShowNotice({"Window too small"});
    const std::string notice(presenter.TakeBytes());
    presenter.SetLineForm(platform::LineForm::kDecGraphics);
    Screen screen;
    screen.Put(4, 9, "━┃", 11);
    presenter.Present(screen, kHidden);
    const std::string frame(presenter.TakeBytes());
    const std::regex sgr("\x1b\\[([0-9;]*)m");
    for (const std::string& bytes : {notice, frame}) {
        const std::string before = bytes.substr(0, bytes.find("\x1b[2J"));
        std::string last;
        for (std::sregex_iterator it(before.begin(), before.end(), sgr), end; it != end; ++it) {
            last = (*it)[1];
        }
        EXPECT_NE((";" + last + ";").find(";40;"), std::string::npos) << last;
    }
    EXPECT_LT(frame.find("\x1b[?7l"), frame.find("\x1b[2J")) << "autowrap off before drawing";
    EXPECT_NE(frame.find("\x1b(0qx\x1b(B"), std::string::npos) << "in the DEC set";
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

// A welcome line typed and blanked from the right half of its first
// character, a menu item written over it, then a box's corner, and a blank
// whose background alone changes: whatever width
// the console gives a glyph, every cell holds what the layout put there, and
// nothing of the welcome line is left.
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
        screen.Put(0, 0, " ", 0x10);
        presenter.Present(screen, kHidden);
        screen.Put(0, 0, " ", 0x07);
        screen.Put(31, 22, std::string(35, ' '), 3);
        screen.Put(36, 22, "摆烂模式", 113);
        screen.Put(14, 9, "━┃■", 11);
        presenter.Present(screen, kHidden);
        EXPECT_EQ(buffer.Text(30, 22, 36), u"      " + c.menu + std::u16string(22, u' '));
        EXPECT_EQ(buffer.Text(14, 9, 4), c.corner);
        EXPECT_EQ(buffer.At(37, 22).attributes & 0xFF, 113);
        EXPECT_EQ(buffer.At(29, 22).attributes, 7) << "the cell before the line was never drawn on";
        EXPECT_EQ(buffer.At(0, 0).attributes & 0xFF, 7) << "a blank that only turned black";
    }
}

}  // namespace
