#pragma once

#include <cstdint>
#include <vector>

#include "platform/presenter.h"

// Presenting the screen record to the Windows console. It needs no Windows
// header, so that it is built and tested on every system; the Windows
// backend gives it the console's screen buffer as a ConsoleOutput.
namespace platform {

// One cell of the console's screen buffer, as WriteConsoleOutputW takes it.
struct ConsoleCell {
    char16_t character = u' ';
    std::uint16_t attributes = 0;
    bool operator==(const ConsoleCell&) const = default;
};

// The attribute flags that mark the two cells of a double-width character.
constexpr std::uint16_t kLeadingHalf = 0x0100;
constexpr std::uint16_t kTrailingHalf = 0x0200;

// How many cells the console gives what it draws: fonts and consoles differ,
// and some have no double-width cells at all.
struct ConsoleWidths {
    // Ideographs and the other characters that are always wide elsewhere.
    bool wide_cells = true;
    // "■", "●", "★" and "○".
    bool ambiguous_wide = false;
    // "━" and "┃", which the layout gives one column.
    bool lines_wide = false;
    // What fills the second column of an ideograph kept in one cell: a
    // blank, or, where the console hands its cells on to a terminal that
    // draws ideographs two columns wide, a character of no width, so that
    // the terminal keeps in step with the layout.
    char16_t filler = u' ';
};

// The console's screen buffer, as presenting uses it.
class ConsoleOutput {
public:
    virtual ~ConsoleOutput() = default;
    // Cells side by side on one row, from `column`, each at its own place.
    virtual void WriteCells(int column, int row, const std::vector<ConsoleCell>& cells) = 0;
    // Blanks the whole buffer in the default colour.
    virtual void Clear() = 0;
    virtual void PlaceCursor(const Cursor& cursor) = 0;
};

// Writes each changed run of a row in one call, every cell of the layout
// written at its own place: a double-width glyph as its two halves where the
// console draws it so, else as the glyph and a blank; so that the console
// holds what the record holds whatever width it gives a glyph.
class WindowsPresenter : public Presenter {
public:
    WindowsPresenter(ConsoleOutput& output, ConsoleWidths widths)
        : output_(output), widths_(widths) {}

protected:
    void Draw(int column, int row, const Cell& cell) override;
    void BeginFullRedraw() override { output_.Clear(); }
    void PlaceCursor(const Cursor& cursor) override;

private:
    void WriteRun();

    ConsoleOutput& output_;
    ConsoleWidths widths_;
    std::vector<ConsoleCell> run_;
    int run_column_ = 0;
    int run_row_ = -1;
};

}  // namespace platform
