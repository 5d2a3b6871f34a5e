#include "platform/vt_writer.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/virtual_console.h"
#include "snake.h"
#include "tool.h"

namespace {

using platform::SgrFor;
using platform::VtWriter;

TEST(SgrFor, TheGamesNineAttributesAndAnIntenseBackground) {
    const std::pair<int, const char*> cases[] = {
        {2, "\x1b[32;40m"},   {3, "\x1b[36;40m"},     {6, "\x1b[33;40m"},  {11, "\x1b[96;40m"},
        {12, "\x1b[91;40m"},  {13, "\x1b[95;40m"},    {14, "\x1b[93;40m"}, {18, "\x1b[32;44m"},
        {113, "\x1b[34;47m"}, {0xF0, "\x1b[30;107m"},
    };
    for (const auto& [attribute, sgr] : cases) EXPECT_EQ(SgrFor(attribute), sgr) << attribute;
}

TEST(VtWriter, AmbiguousGlyphsArePaddedToTwoColumns) {
    VtWriter writer;
    writer.SetAttribute(3);
    writer.MoveCursor(4, 1);
    writer.Write("■●★○蛇━┃");
    EXPECT_EQ(writer.buffer(), "\x1b[2;5H\x1b[36;40m■ ● ★ ○ 蛇━┃");
}

TEST(VtWriter, SendsCursorMovesAndColoursOnlyWhenTheyChange) {
    VtWriter writer;
    writer.SetAttribute(3);
    writer.MoveCursor(0, 0);
    writer.Write("ab");
    writer.MoveCursor(2, 0);
    writer.SetAttribute(3);
    writer.Write("cd");
    writer.MoveCursor(0, 1);
    writer.SetAttribute(11);
    writer.SetAttribute(3);
    writer.Write("e");
    EXPECT_EQ(writer.buffer(), "\x1b[1;1H\x1b[36;40mabcd\x1b[2;1He");
    writer.ClearBuffer();
    writer.Clear();
    writer.Write("f");
    EXPECT_EQ(writer.buffer(), "\x1b[0m\x1b[H\x1b[2J\x1b[36;40mf") << "clearing resets the colour";
}

// The console a real snake step goes through, with the terminal's bytes
// captured instead of sent.
class WriterConsole : public platform::VirtualConsole {
public:
    void MoveCursor(int column, int row) override { writer.MoveCursor(column, row); }
    void SetAttribute(int attribute) override { writer.SetAttribute(attribute); }
    void Write(std::string_view text) override { writer.Write(text); }
    VtWriter writer;
};

// 22 bytes, well within the 40 a step may take. No colour is sent: the last
// head left colour 14 set, and both the erased tail and the new head use it.
TEST(VtWriter, AnOrdinarySnakeStepSendsTwoMovesAndTheGlyphs) {
    WriterConsole console;
    ConsoleScope scope(console);
    Snake snake;
    SetColor(6);
    snake.InitSnake();
    snake.NormalMove();
    console.writer.ClearBuffer();
    snake.NormalMove();
    EXPECT_EQ(console.writer.buffer(), "\x1b[9;31H  \x1b[11;33H● ");
}

}  // namespace
