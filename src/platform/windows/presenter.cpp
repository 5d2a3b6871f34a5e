#include "platform/windows/presenter.h"

#include "platform/text.h"

namespace platform {

namespace {

// Every glyph of the game lies in the Basic Multilingual Plane.
char16_t Utf16(char32_t code) {
    return code < 0x10000 ? static_cast<char16_t>(code) : u'\uFFFD';
}

}  // namespace

void WindowsPresenter::Draw(int column, int row, const Cell& cell) {
    if (row != run_row_ || column != run_column_ + static_cast<int>(run_.size())) {
        WriteRun();
        run_row_ = row;
        run_column_ = column;
    }
    const auto attributes = static_cast<std::uint16_t>(cell.attribute);
    const char32_t code = DecodeUtf8(cell.glyph).code;
    if (cell.part == Cell::Part::Single) {
        char16_t character = Utf16(code);
        if (IsBoxLine(code) && widths_.lines_wide)
            character = static_cast<char16_t>(AsciiBoxLine(code));
        run_.push_back({character, attributes});
        return;
    }
    const bool drawn_wide = IsAmbiguousGlyph(code) ? widths_.ambiguous_wide : widths_.wide_cells;
    if (drawn_wide) {
        run_.push_back({Utf16(code), static_cast<std::uint16_t>(attributes | kLeadingHalf)});
        run_.push_back({Utf16(code), static_cast<std::uint16_t>(attributes | kTrailingHalf)});
    } else {
        run_.push_back({Utf16(code), attributes});
        run_.push_back({IsAmbiguousGlyph(code) ? u' ' : widths_.filler, attributes});
    }
}

void WindowsPresenter::WriteRun() {
    if (!run_.empty()) output_.WriteCells(run_column_, run_row_, run_);
    run_.clear();
    run_row_ = -1;
}

void WindowsPresenter::PlaceCursor(const Cursor& cursor) {
    WriteRun();
    output_.PlaceCursor(cursor);
}

}  // namespace platform
