#include "platform/screen.h"

#include <gtest/gtest.h>

#include <string>


namespace {

using platform::Screen;

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

}  // namespace
