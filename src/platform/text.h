#pragma once

#include <string_view>
#include <vector>

namespace platform {

// The display model every layout of the game is built on: ASCII takes one
// column, the box-drawing "━" and "┃" one column, every other character two.
// It equals the byte count of the same text in GBK, which the screens were
// laid out in.

struct Utf8Char {
    char32_t code;
    std::size_t length;  // bytes taken from the input, at least 1
};

// The bytes of the UTF-8 character that starts with `lead`; 0 where `lead`
// starts none.
int Utf8Length(unsigned char lead);

// Decodes the character at the start of a non-empty text; a malformed byte
// decodes as U+FFFD of length 1, so a walk over any input always advances.
Utf8Char DecodeUtf8(std::string_view text);

int CharWidth(char32_t code);

// The game-over box's lines, "━" and "┃": one column in the model, but
// East Asian ambiguous, so consoles set up for CJK draw them two wide.
bool IsBoxLine(char32_t code);
// The line's form that is narrow everywhere: "-" or "|".
char AsciiBoxLine(char32_t code);

// "■", "●", "★" and "○": two columns in the model, but East Asian ambiguous,
// so most terminals draw them one column wide.
bool IsAmbiguousGlyph(char32_t code);

// Splits a text into the steps it is typed out in: each step shows two
// columns' worth, one wide character or two ASCII characters.
std::vector<std::string_view> TypingUnits(std::string_view text);

// The number a reply starts with, read as formatted integer extraction reads
// it: white space skipped, optional sign, decimal digits up to the first other
// character. No number gives 0; one out of range gives INT_MAX or INT_MIN.
int ParseLeadingInt(std::string_view text);

}  // namespace platform
