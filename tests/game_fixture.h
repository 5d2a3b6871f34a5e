#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/virtual_console.h"
#include "tool.h"

// A virtual console that the game draws on for the length of one test.
class GameTest : public ::testing::Test {
protected:
    // What grid cell (x, y) shows, and in which attribute.
    std::string GlyphAt(int x, int y) const { return console.screen().At(2 * x, y).glyph; }
    int AttributeAt(int x, int y) const { return console.screen().At(2 * x, y).attribute; }
    // The text on console row `row` from console column `column`, `width` columns.
    std::string TextAt(int column, int row, int width) const {
        std::string text;
        for (int c = column; c < column + width; ++c) text += console.screen().At(c, row).glyph;
        return text;
    }

    platform::VirtualConsole console;
    ConsoleScope scope{console};
};
