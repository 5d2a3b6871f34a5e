#include "platform/screen.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/virtual_console.h"

namespace {

using platform::Screen;
using platform::VirtualConsole;
using Millis = std::chrono::milliseconds;

TEST(Screen, WideCharactersCoverTwoColumns) {
    Screen screen;
    EXPECT_EQ(screen.Put(10, 3, "a蛇■━b", 11), 17);
    EXPECT_EQ(screen.RowText(3).substr(10, 12), "a蛇■━b ");
    EXPECT_EQ(screen.At(12, 3).attribute, 11) << "both halves take the colour";
}

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

TEST(VirtualConsole, SleepingAdvancesTheClockAndIsRecorded) {
    VirtualConsole console;
    console.RecordFrames(true);
    console.Write("●");
    console.Sleep(Millis(35));
    console.MoveCursor(0, 0);
    console.Write("  ");
    console.Sleep(Millis(35));
    EXPECT_EQ(console.Now(), Millis(70));
    ASSERT_EQ(console.Sleeps().size(), 2u);
    EXPECT_EQ(console.Sleeps()[1].at, Millis(35));
    EXPECT_EQ(console.ScreenAt(Millis(34)).At(0, 0).glyph, "●");
    EXPECT_EQ(console.ScreenAt(Millis(35)).At(0, 0).glyph, " ");
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
        EXPECT_TRUE(value >= 0 && value <= 32767) << value;
    }
    a.ScriptRandom({5, 6});
    EXPECT_EQ(a.Random(), 5);
    EXPECT_EQ(a.Random(), 6);
}

}  // namespace
