#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One console column. A two-column character is stored in its left cell; the
// right cell only marks that it is covered.
struct Cell {
    enum class Part { Single, Left, Right };

    std::string glyph = " ";
    int attribute = kDefaultAttribute;
    Part part = Part::Single;

    // Light grey on the game's black: what a cleared cell holds.
    static constexpr int kDefaultAttribute = 7;
    bool operator==(const Cell&) const = default;
};

// What the window shows, cell by cell, under the display model of text.h. It
// behaves as a terminal does: writing over half of a wide character blanks its
// other half, and text past the right edge is cut off rather than wrapped. It
// remembers which columns of each row changed since it was last presented, so
// that presenting costs what changed, not the whole window.
class Screen {
public:
    static constexpr int kColumns = 82;
    static constexpr int kRows = 32;
    static constexpr std::size_t kCells = std::size_t{kColumns} * kRows;

    // Columns first..last of a row; empty when first > last.
    struct Span {
        int first;
        int last;
    };

    Screen();

    void Clear();
    // Writes text from (column, row) and returns the column after it.
    int Put(int column, int row, std::string_view text, int attribute);

    const Cell& At(int column, int row) const;

    Span Changed(int row) const { return changed_[static_cast<std::size_t>(row)]; }
    bool AnyChanged() const { return any_changed_; }
    void MarkAllChanged();
    void MarkPresented();

    // Equal when they show the same; what changed since presenting is no part
    // of what a screen shows.
    bool operator==(const Screen& other) const { return cells_ == other.cells_; }

private:
    Cell& MutableAt(int column, int row);
    void Vacate(int column, int row);
    void MarkChanged(int row, int first, int last);

    std::vector<Cell> cells_;
    std::array<Span, kRows> changed_{};
    bool any_changed_ = false;
};

}  // namespace platform
