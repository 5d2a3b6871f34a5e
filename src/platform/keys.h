#pragma once

#include <optional>
#include <string_view>

// The key codes every console gives the game, whatever it reads them from: the
// codes the Windows console's single-key read (_getch) returns. A key with a
// character gives that character's code; a key without one gives a prefix,
// then its code: 224 for the grey keys (arrows, the editing block, F11 and
// F12), 0 for F1 to F10 and for Alt with a key.
namespace platform::key {

constexpr int kFunctionPrefix = 0;
constexpr int kArrowPrefix = 224;

// After kArrowPrefix.
constexpr int kHome = 71;
constexpr int kUp = 72;
constexpr int kPageUp = 73;
constexpr int kLeft = 75;
constexpr int kRight = 77;
constexpr int kEnd = 79;
constexpr int kDown = 80;
constexpr int kPageDown = 81;
constexpr int kInsert = 82;
constexpr int kDelete = 83;
constexpr int kF11 = 133;
constexpr int kF12 = 134;

// After kFunctionPrefix, F1 to F10 in a row.
constexpr int FunctionKey(int number) {
    return 58 + number;
}

constexpr int kBackspace = 8;
constexpr int kTab = 9;
constexpr int kEnter = 13;
constexpr int kEscape = 27;

// Ctrl with a letter, 'A' to 'Z'.
constexpr int Ctrl(char letter) {
    return letter - 'A' + 1;
}

// Alt with the key that types `character` on a US layout, unshifted or
// shifted: its code after kFunctionPrefix, or none where the console has no
// code for it (the space bar, for one). Letters give their keys' scan codes,
// row by row of the keyboard; digits and the keys beside them give codes of
// their own.
constexpr std::optional<int> AltCode(char character) {
    constexpr std::string_view kLetterRows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr int kFirstOfRow[] = {16, 30, 44};
    const char lower = character >= 'A' && character <= 'Z'
                           ? static_cast<char>(character + ('a' - 'A'))
                           : character;
    for (int row = 0; row < 3; ++row) {
        const std::size_t at = kLetterRows[row].find(lower);
        if (at != std::string_view::npos) return kFirstOfRow[row] + static_cast<int>(at);
    }
    constexpr struct {
        std::string_view characters;
        int code;
    } kOthers[] = {
        {"1!", 120}, {"2@", 121}, {"3#", 122}, {"4$", 123}, {"5%", 124}, {"6^", 125}, {"7&", 126},
        {"8*", 127}, {"9(", 128}, {"0)", 129}, {"-_", 130}, {"=+", 131}, {"[{", 26},  {"]}", 27},
        {";:", 39},  {"'\"", 40}, {"`~", 41},  {"\\|", 43}, {",<", 51},  {".>", 52},  {"/?", 53},
    };
    for (const auto& other : kOthers) {
        if (other.characters.find(character) != std::string_view::npos) return other.code;
    }
    return std::nullopt;
}

}  // namespace platform::key
