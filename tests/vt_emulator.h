#pragma once

#include <string>
#include <string_view>
#include <vector>

// A terminal just capable enough to show what the game draws: cursor moves,
// clearing, text one or two columns wide and the DEC line drawing set, with
// autowrap off. Other sequences are skipped whole. East Asian ambiguous
// characters take one column, as most terminals draw them, or two, as
// terminals set up for CJK do.
class VtEmulator {
public:
    VtEmulator(int columns, int rows, bool ambiguous_wide);

    // Bytes as the program wrote them; no character may be split between
    // two calls.
    void Feed(std::string_view bytes);
    // The character shown in a cell; "" for the right half of a wide one.
    const std::string& At(int column, int row) const;
    // The characters shown from `first` to `last`, wide ones once.
    std::string Span(int row, int first, int last) const;

private:
    enum class State { kGround, kEscape, kCharset, kCsi, kOsc };

    void Step(unsigned char byte);
    void Csi(char final_byte);
    void Print(char32_t code, std::string glyph);
    int Width(char32_t code) const;
    std::string& Cell(int column, int row);
    // Blanks what is left of a wide character about to lose a half.
    void Vacate(int column, int row);

    int columns_;
    int rows_;
    bool ambiguous_wide_;
    std::vector<std::string> cells_;
    int column_ = 0;
    int row_ = 0;
    State state_ = State::kGround;
    std::string params_;
    bool line_drawing_ = false;
};
