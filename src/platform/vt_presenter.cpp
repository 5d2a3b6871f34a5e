#include "platform/vt_presenter.h"

#include <algorithm>

#include "platform/text.h"

namespace platform {

namespace {

constexpr std::string_view kCsi = "\x1b[";

// ANSI numbers colours red 1, green 2, blue 4; Windows numbers them the other
// way round. Intensity takes the bright range, 60 up.
int SgrColour(int windows_colour, int base) {
    const int ansi = ((windows_colour & 4) ? 1 : 0) + ((windows_colour & 2) ? 2 : 0) +
                     ((windows_colour & 1) ? 4 : 0);
    return base + ansi + ((windows_colour & 8) ? 60 : 0);
}

// CSI with one numeric parameter, left out when it is 1, the default.
std::string Csi(int parameter, char final_byte) {
    std::string sequence(kCsi);
    if (parameter != 1) sequence += std::to_string(parameter);
    return sequence + final_byte;
}

std::string CursorPosition(int column, int row) {
    std::string sequence(kCsi);
    if (row > 0 || column > 0) sequence += std::to_string(row + 1);
    if (column > 0) sequence += ';' + std::to_string(column + 1);
    return sequence + 'H';
}

}  // namespace

std::string VtPresenter::RestoreBytes(const Changes& changes) {
    std::string bytes = "\x1b(B\x1b[0m\x1b[?25h\x1b[?7h";
    if (changes.title_pushed) bytes += "\x1b[23;0t";
    if (const auto size = changes.found_size;
        size && (size->first != Screen::kColumns || size->second != Screen::kRows)) {
        bytes += "\x1b[8;" + std::to_string(size->second) + ';' + std::to_string(size->first) + 't';
    }
    return bytes + "\x1b[32;1H\r\n";
}

void VtPresenter::ForgetState() {
    at_column_ = at_row_ = -1;
    foreground_ = background_ = -1;
    cursor_shown_ = -1;
}

// The game's black, not the terminal's own background, is what a cleared
// cell shows: the screen is cleared in it where the terminal erases in the
// current colour, and every blank cell is then written anyway, since not
// every terminal does.
void VtPresenter::StartOver() {
    Raw("\x1b(B\x1b[0m\x1b[?7l");
    Raw(kClearToBlack);
    line_drawing_ = false;
    foreground_ = 7;
    background_ = 0;
    at_column_ = at_row_ = 0;
}

void VtPresenter::Frame(Screen& wanted, bool cursor_shown, int column, int row) {
    Present(wanted);
    SetLineDrawing(false);
    if (cursor_shown) {
        MoveTo(std::clamp(column, 0, Screen::kColumns - 1), std::clamp(row, 0, Screen::kRows - 1));
        if (cursor_shown_ != 1) out_ += "\x1b[?25h";
    } else if (cursor_shown_ != 0) {
        out_ += "\x1b[?25l";
    }
    cursor_shown_ = cursor_shown ? 1 : 0;
}

void VtPresenter::MoveTo(int column, int row) {
    if (column == at_column_ && row == at_row_) return;
    std::string best = CursorPosition(column, row);
    const auto consider = [&best](std::string candidate) {
        if (candidate.size() < best.size()) best = std::move(candidate);
    };
    if (at_row_ == row && at_column_ >= 0) {
        if (column == 0) consider("\r");
        consider(column > at_column_ ? Csi(column - at_column_, 'C')
                                     : Csi(at_column_ - column, 'D'));
        consider(Csi(column + 1, 'G'));
    } else if (at_row_ >= 0 && at_column_ >= 0) {
        if (column == 0 && row > at_row_) consider(Csi(row - at_row_, 'E'));
        if (column == at_column_) {
            consider(row > at_row_ ? Csi(row - at_row_, 'B') : Csi(at_row_ - row, 'A'));
        }
    }
    out_ += best;
    at_column_ = column;
    at_row_ = row;
}

// Only the colours that change are sent, and a blank needs only its
// background.
void VtPresenter::UseAttribute(int attribute, bool blank) {
    const int foreground = attribute & 0xF;
    const int background = (attribute >> 4) & 0xF;
    std::string parameters;
    if (!blank && foreground != foreground_) {
        parameters = std::to_string(SgrColour(foreground, 30));
        foreground_ = foreground;
    }
    if (background != background_) {
        if (!parameters.empty()) parameters += ';';
        parameters += std::to_string(SgrColour(background, 40));
        background_ = background;
    }
    if (!parameters.empty()) out_ += std::string(kCsi) + parameters + 'm';
}

void VtPresenter::Draw(int column, int row, const Cell& cell) {
    MoveTo(column, row);
    UseAttribute(cell.attribute, cell.glyph == " ");
    EmitGlyph(cell.glyph);
    at_column_ += cell.part == Cell::Part::Left ? 2 : 1;
    // With autowrap off the cursor sticks at the last column.
    if (at_column_ >= Screen::kColumns) at_column_ = at_row_ = -1;
}

void VtPresenter::EmitGlyph(std::string_view glyph) {
    const char32_t code = DecodeUtf8(glyph).code;
    const bool box_line = code == U'━' || code == U'┃';
    SetLineDrawing(box_line && line_form_ == LineForm::kDecGraphics);
    if (box_line && line_form_ != LineForm::kUnicode) {
        const bool rule = code == U'━';
        out_ += line_form_ == LineForm::kDecGraphics ? (rule ? 'q' : 'x') : (rule ? '-' : '|');
        return;
    }
    out_ += glyph;
    // A narrow terminal draws these one column wide; the space fills the
    // cell so that everything after them stays where the layout put it.
    if (!ambiguous_wide_ && IsAmbiguousGlyph(code)) out_ += ' ';
}

void VtPresenter::SetLineDrawing(bool on) {
    if (on == line_drawing_) return;
    out_ += on ? "\x1b(0" : "\x1b(B";
    line_drawing_ = on;
}

void VtPresenter::SetTitle(std::string_view title) {
    // The terminal's own title is saved first, to be put back at exit.
    out_ += "\x1b[22;0t\x1b]0;";
    out_ += title;
    out_ += '\a';
}

void VtPresenter::RequestWindowSize(int columns, int rows) {
    out_ += "\x1b[8;" + std::to_string(rows) + ';' + std::to_string(columns) + 't';
}

void VtPresenter::RequestCursorReport() {
    out_ += "\x1b[6n";
}

void VtPresenter::Raw(std::string_view bytes) {
    SetLineDrawing(false);
    out_ += bytes;
    ForgetState();
}

}  // namespace platform
