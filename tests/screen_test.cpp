#include "platform/screen.h"

#include <gtest/gtest.h>

#include "platform/virtual_console.h"

namespace {

using platform::Cell;
using platform::Screen;
using platform::VirtualConsole;
using Millis = std::chrono::milliseconds;

TEST(Screen, WideCharactersCoverTwoColumns) {
    Screen screen;
    EXPECT_EQ(screen.Put(10, 3, "a蛇■━b", 11), 17);
    EXPECT_EQ(screen.RowText(3).substr(10, 12), "a蛇■━b ");
    EXPECT_EQ(screen.At(11, 3).part, Cell::Part::Left);
    EXPECT_EQ(screen.At(12, 3).part, Cell::Part::Right);
    EXPECT_EQ(screen.At(15, 3).glyph, "━");
    EXPECT_EQ(screen.At(12, 3).attribute, 11);
}

TEST(Screen, OverwritingHalfAWideCharacterBlanksTheOtherHalf) {
    Screen screen;
    screen.Put(0, 0, "蛇蛇", 3);
    screen.Put(1, 0, "x", 5);
    EXPECT_EQ(screen.RowText(0).substr(0, 6), " x蛇 ");
    EXPECT_EQ(screen.At(0, 0).attribute, 3);
    screen.Put(3, 0, "■", 2);
    EXPECT_EQ(screen.RowText(0).substr(0, 8), " x ■  ");
    EXPECT_EQ(screen.At(2, 0).part, Cell::Part::Single);
}

TEST(Screen, TextPastTheEdgesIsCutOff) {
    Screen screen;
    screen.Put(80, 0, "ab", 3);
    screen.Put(81, 1, "蛇c", 3);
    screen.Put(0, 32, "x", 3);
    screen.Put(-1, 2, "xy", 3);
    EXPECT_EQ(screen.RowText(0).substr(80), "ab");
    EXPECT_EQ(screen.RowText(1).substr(81), " ") << "half a wide character never shows";
    EXPECT_EQ(screen.RowText(2).substr(0, 2), "y ");
    Screen blank;
    blank.Put(80, 0, "ab", 3);
    blank.Put(0, 2, "y", 3);
    EXPECT_EQ(screen, blank);
}

TEST(VirtualConsole, SleepingAdvancesTheClockAndIsRecorded) {
    VirtualConsole console;
    console.RecordFrames(true);
    console.MoveCursor(4, 2);
    console.Write("●");
    console.Sleep(Millis(35));
    console.MoveCursor(4, 2);
    console.Write("  ");
    console.Sleep(Millis(35));
    EXPECT_EQ(console.Now(), Millis(70));
    ASSERT_EQ(console.Sleeps().size(), 2u);
    EXPECT_EQ(console.Sleeps()[1].at, Millis(35));
    EXPECT_EQ(console.ScreenAt(Millis(34)).At(4, 2).glyph, "●");
    EXPECT_EQ(console.ScreenAt(Millis(35)).At(4, 2).glyph, " ");
    EXPECT_EQ(console.ScreenAt(Millis(70)).At(4, 2).glyph, " ");
}

TEST(VirtualConsole, KeysWaitForTheirTime) {
    VirtualConsole console;
    console.PushKeys({'a'});
    console.PushKeys({224, 72}, Millis(100));
    EXPECT_TRUE(console.KeyWaiting());
    EXPECT_EQ(console.ReadKey(), 'a');
    EXPECT_FALSE(console.KeyWaiting()) << "pressed later";
    EXPECT_EQ(console.ReadKey(), 224) << "a blocking read waits for it";
    EXPECT_EQ(console.Now(), Millis(100));
    EXPECT_TRUE(console.KeyWaiting());
    EXPECT_EQ(console.ReadKey(), 72);
    EXPECT_THROW(console.ReadKey(), VirtualConsole::OutOfInput);
}

TEST(VirtualConsole, RepliesAreEchoedAtTheCursor) {
    VirtualConsole console;
    console.PushLine("35abc");
    console.MoveCursor(26, 22);
    EXPECT_EQ(console.ReadInt(), 35);
    EXPECT_EQ(console.screen().RowText(22).substr(26, 5), "35abc");
    EXPECT_EQ(console.cursor_row(), 23);
    EXPECT_THROW(console.ReadInt(), VirtualConsole::OutOfInput);
}

TEST(VirtualConsole, TheGeneratorRepeatsForTheSameSeed) {
    VirtualConsole a;
    VirtualConsole b;
    a.SeedRandom(1234);
    b.SeedRandom(1234);
    for (int i = 0; i < 100; ++i) {
        const int value = a.Random();
        EXPECT_EQ(value, b.Random());
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 32767);
    }
    a.ScriptRandom({5, 6});
    EXPECT_EQ(a.Random(), 5);
    EXPECT_EQ(a.Random(), 6);
}

}  // namespace
