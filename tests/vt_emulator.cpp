#include "vt_emulator.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/text.h"

namespace {

bool IsAmbiguous(char32_t code) {
    return code == U'■' || code == U'●' || code == U'★' || code == U'○' || code == U'━' ||
           code == U'┃';
}

bool IsWide(char32_t code) {
    return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
           (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
           (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
           (code >= 0xFFE0 && code <= 0xFFE6);
}

}  // namespace

VtEmulator::VtEmulator(int columns, int rows, bool ambiguous_wide)
    : columns_(columns),
      rows_(rows),
      ambiguous_wide_(ambiguous_wide),
      cells_(static_cast<std::size_t>(columns * rows), " ") {}

const std::string& VtEmulator::At(int column, int row) const {
    return cells_[static_cast<std::size_t>(row * columns_ + column)];
}

std::string VtEmulator::Span(int row, int first, int last) const {
    std::string text;
    for (int column = first; column <= last; ++column) text += At(column, row);
    return text;
}

std::string& VtEmulator::Cell(int column, int row) {
    return cells_[static_cast<std::size_t>(row * columns_ + column)];
}

void VtEmulator::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes.front());
        if (state_ == State::kGround && byte >= 0x80) {
            const platform::Utf8Char c = platform::DecodeUtf8(bytes);
            Print(c.code, std::string(bytes.substr(0, c.length)));
            bytes.remove_prefix(c.length);
            continue;
        }
        Step(byte);
        bytes.remove_prefix(1);
    }
}

void VtEmulator::Step(unsigned char byte) {
    switch (state_) {
        case State::kGround:
            if (byte == 0x1b) {
                state_ = State::kEscape;
            } else if (byte == '\r') {
                column_ = 0;
            } else if (byte == '\n') {
                row_ = std::min(row_ + 1, rows_ - 1);
            } else if (byte >= 0x20 && byte < 0x7f) {
                Print(byte, std::string(1, static_cast<char>(byte)));
            }
            break;
        case State::kEscape:
            params_.clear();
            state_ = byte == '['   ? State::kCsi
                     : byte == ']' ? State::kOsc
                     : byte == '(' ? State::kCharset
                                   : State::kGround;
            break;
        case State::kCharset:
            line_drawing_ = byte == '0';
            state_ = State::kGround;
            break;
        case State::kCsi:
            if (byte >= 0x40 && byte <= 0x7e) {
                Csi(static_cast<char>(byte));
                state_ = State::kGround;
            } else {
                params_ += static_cast<char>(byte);
            }
            break;
        case State::kOsc:
            if (byte == 0x07) state_ = State::kGround;
            if (byte == 0x1b) state_ = State::kEscape;
            break;
    }
}

void VtEmulator::Csi(char final_byte) {
    if (!params_.empty() && params_[0] == '?') return;
    if (final_byte == 'H') {
        const std::size_t semicolon = params_.find(';');
        const int row = std::atoi(params_.substr(0, semicolon).c_str());
        const int column =
            semicolon == std::string::npos ? 1 : std::atoi(params_.c_str() + semicolon + 1);
        row_ = std::clamp(row, 1, rows_) - 1;
        column_ = std::clamp(column, 1, columns_) - 1;
    } else if (final_byte == 'J' && params_ == "2") {
        std::fill(cells_.begin(), cells_.end(), " ");
    }
}

int VtEmulator::Width(char32_t code) const {
    if (IsAmbiguous(code)) return ambiguous_wide_ ? 2 : 1;
    return IsWide(code) ? 2 : 1;
}

void VtEmulator::Vacate(int column, int row) {
    if (column >= columns_) return;
    if (At(column, row).empty() && column > 0) {
        Cell(column - 1, row) = " ";
    } else if (column + 1 < columns_ && At(column + 1, row).empty()) {
        Cell(column + 1, row) = " ";
    }
}

void VtEmulator::Print(char32_t code, std::string glyph) {
    int width = Width(code);
    if (line_drawing_ && (code == 'q' || code == 'x')) {
        glyph = code == 'q' ? "━" : "┃";
        width = 1;
    }
    // Autowrap is off: text past the edge overwrites the last column.
    column_ = std::min(column_, columns_ - width);
    Vacate(column_, row_);
    if (width == 2) Vacate(column_ + 1, row_);
    Cell(column_, row_) = std::move(glyph);
    if (width == 2) Cell(column_ + 1, row_) = "";
    column_ += width;
}
