#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

// An 82 x 32 terminal just capable enough to show where the game's text
// lands: cursor moves, clearing, the DEC line drawing set and characters one
// or two columns wide, with autowrap off; other sequences are skipped whole.
// East Asian ambiguous characters take one column, as most terminals draw
// them, or two, as terminals set up for CJK do.
class VtEmulator {
public:
    explicit VtEmulator(bool ambiguous_wide) : ambiguous_wide_(ambiguous_wide) {}

    // Everything the program wrote, in one piece, or a captured screen's rows.
    void Feed(std::string_view bytes) {
        while (!bytes.empty()) {
            if (bytes.starts_with("\x1b[")) {
                const auto end = std::find_if(bytes.begin() + 2, bytes.end(),
                                              [](char c) { return c >= 0x40 && c <= 0x7e; });
                if (end == bytes.end()) return;
                Csi(std::string(bytes.begin() + 2, end), *end);
                bytes.remove_prefix(static_cast<std::size_t>(end - bytes.begin()) + 1);
            } else if (bytes.starts_with("\x1b]")) {
                bytes.remove_prefix(std::min(bytes.find('\a'), bytes.size() - 1) + 1);
            } else if (bytes.starts_with("\x1b(") && bytes.size() > 2) {
                line_drawing_ = bytes[2] == '0';
                bytes.remove_prefix(3);
            } else {
                const platform::Utf8Char c = platform::DecodeUtf8(bytes);
                Print(c.code, std::string(bytes.substr(0, c.length)));
                bytes.remove_prefix(c.length);
            }
        }
    }
    // The character shown in a cell; "" for the right half of a wide one.
    const std::string& At(int column, int row) const {
        return cells_[static_cast<std::size_t>(row * kColumns + column)];
    }
    // The characters shown from `first` to `last`, wide ones once.
    std::string Span(int row, int first, int last) const {
        std::string text;
        for (int column = first; column <= last; ++column) text += At(column, row);
        return text;
    }

private:
    static constexpr int kColumns = 82;
    static constexpr int kRows = 32;

    std::string& Cell(int column) {
        return cells_[static_cast<std::size_t>(row_ * kColumns + column)];
    }
    void Csi(const std::string& parameters, char final_byte) {
        if (final_byte == 'H') {
            int row = 1;
            int column = 1;
            std::sscanf(parameters.c_str(), "%d;%d", &row, &column);
            row_ = std::clamp(row, 1, kRows) - 1;
            column_ = std::clamp(column, 1, kColumns) - 1;
        } else if (final_byte == 'J' && parameters == "2") {
            std::fill(cells_.begin(), cells_.end(), " ");
        }
    }
    int Width(char32_t code) const {
        if (std::u32string_view(U"■●★○━┃").find(code) != std::u32string_view::npos) {
            return ambiguous_wide_ ? 2 : 1;
        }
        // CJK characters and fullwidth forms.
        return (code >= 0x2E80 && code <= 0xA4CF) || (code >= 0xFF00 && code <= 0xFF60) ? 2 : 1;
    }
    void Print(char32_t code, std::string glyph) {
        // Output processing sends a carriage return with each line feed; a
        // captured screen's rows come without.
        if (code == '\n') {
            row_ = std::min(row_ + 1, kRows - 1);
            column_ = 0;
        }
        if (code == '\r') column_ = 0;
        if (code < 0x20 || code == 0x7f) return;
        int width = Width(code);
        if (line_drawing_ && (code == 'q' || code == 'x')) {
            glyph = code == 'q' ? "━" : "┃";
            width = 1;
        }
        // Autowrap is off: text past the edge overwrites the last column.
        column_ = std::min(column_, kColumns - width);
        // A wide character that loses one half loses the other too.
        if (column_ > 0 && Cell(column_).empty()) Cell(column_ - 1) = " ";
        const int end = column_ + width;
        if (end < kColumns && Cell(end).empty()) Cell(end) = " ";
        Cell(column_) = std::move(glyph);
        if (width == 2) Cell(column_ + 1) = "";
        column_ = end;
    }

    bool ambiguous_wide_;
    std::vector<std::string> cells_ = std::vector<std::string>(kColumns * kRows, " ");
    int column_ = 0;
    int row_ = 0;
    bool line_drawing_ = false;
};

// The game-over box where the layout puts it, whatever widths the terminal
// gives its characters.
inline void ExpectGameOverBox(const VtEmulator& screen) {
    std::string rule;
    for (int column = 16; column <= 68; ++column) rule += "━";
    for (int row : {9, 20}) EXPECT_EQ(screen.Span(row, 16, 68), rule) << "row " << row;
    for (int row = 10; row <= 19; ++row) {
        EXPECT_EQ(screen.At(15, row) + screen.At(68, row), "┃┃") << "row " << row;
    }
    EXPECT_EQ(screen.Span(16, 32, 47), "你卷到的分数为：");
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(screen.At(48, 16)[0])))
        << "score: " << screen.At(48, 16);
    EXPECT_EQ(screen.Span(18, 50, 63), "继续卷  卷个**");
}
