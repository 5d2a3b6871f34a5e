#include "platform/terminal/vt_presenter.h"

#include <algorithm>

#include "platform/text.h"

namespace platform {

namespace {

// Every sequence the game sends, each named once.
constexpr std::string_view kCsi = "\x1b[";
constexpr std::string_view kAsciiSet = "\x1b(B";
constexpr std::string_view kLineDrawingSet = "\x1b(0";
constexpr std::string_view kPlainColours = "\x1b[0m";
constexpr std::string_view kShowCursor = "\x1b[?25h";
constexpr std::string_view kHideCursor = "\x1b[?25l";
constexpr std::string_view kAutowrapOn = "\x1b[?7h";
constexpr std::string_view kAutowrapOff = "\x1b[?7l";
constexpr std::string_view kClearWindow = "\x1b[H\x1b[2J";
constexpr std::string_view kPushTitle = "\x1b[22;0t";
constexpr std::string_view kPopTitle = "\x1b[23;0t";
// Followed by the title and BEL.
constexpr std::string_view kSetTitle = "\x1b]0;";
constexpr std::string_view kReportCursor = "\x1b[6n";

// ANSI numbers colours red 1, green 2, blue 4; Windows numbers them the other
// way round. Intensity takes the bright range, 60 up.
int SgrColour(int windows_colour, int base) {
    const int ansi = ((windows_colour & 4) ? 1 : 0) + ((windows_colour & 2) ? 2 : 0) +
                     ((windows_colour & 1) ? 4 : 0);
    return base + ansi + ((windows_colour & 8) ? 60 : 0);
}

// Short enough for the string's own buffer: the presenter weighs several
// movements for every move without allocating.
std::string Csi(int parameter, char final_byte) {
    std::string sequence(kCsi);
    // A parameter of 1 is the default, so it is left out.
    if (parameter != 1) sequence += std::to_string(parameter);
    return sequence + final_byte;
}

std::string CursorPosition(int column, int row) {
    std::string sequence(kCsi);
    if (row > 0 || column > 0) sequence += std::to_string(row + 1);
    if (column > 0) sequence += ';' + std::to_string(column + 1);
    return sequence + 'H';
}

// CSI 8 ; rows ; columns t, honoured by some terminals only.
std::string WindowSize(std::pair<int, int> size) {
    return std::string(kCsi) + "8;" + std::to_string(size.second) + ';' +
           std::to_string(size.first) + 't';
}

}  // namespace

// The cursor goes below the game first: a terminal that grants the size at
// once (urxvt) pulls its scrollback in at the top, and a cursor still inside
// the last screen would leave the shell's prompt over it.
std::string VtPresenter::RestoreBytes(const Changes& changes) {
    std::string bytes;
    for (const std::string_view undo : {kAsciiSet, kPlainColours, kShowCursor, kAutowrapOn}) {
        bytes += undo;
    }
    bytes += CursorPosition(0, Screen::kRows - 1) + "\r\n";
    if (changes.found_size && changes.found_size != changes.asked_size) {
        bytes += WindowSize(*changes.found_size);
    }
    // Pops the title saved by SetTitle.
    if (!changes.title.empty()) bytes += kPopTitle;
    return bytes;
}

std::string_view VtPresenter::TakeBytes() {
    taken_.swap(out_);
    out_.clear();
    return taken_;
}

void VtPresenter::Reset() {
    out_ += kAsciiSet;
    out_ += kPlainColours;
    Forget();
    line_drawing_ = false;
}

// Where the cursor is, which colours the terminal draws in and whether it
// shows the cursor: whoever had the terminal meanwhile may have changed any.
void VtPresenter::Forget() {
    at_column_ = at_row_ = -1;
    foreground_ = background_ = -1;
    cursor_shown_ = -1;
}

// In the game's black, not the terminal's own background, where the terminal
// erases in the current colour.
void VtPresenter::ClearToBlack() {
    UseAttribute(Cell::kDefaultAttribute, false);
    out_ += kClearWindow;
    at_column_ = at_row_ = 0;
}

// Autowrap goes off, so that the bottom-right cell can be written without
// scrolling; and every blank cell is then written anyway, since not every
// terminal clears in the current colour.
void VtPresenter::BeginFullRedraw() {
    Reset();
    out_ += kAutowrapOff;
    ClearToBlack();
}

void VtPresenter::PlaceCursor(const Cursor& cursor) {
    SetLineDrawing(false);
    if (cursor.shown) {
        MoveTo(std::clamp(cursor.column, 0, Screen::kColumns - 1),
               std::clamp(cursor.row, 0, Screen::kRows - 1));
        if (cursor_shown_ != 1) out_ += kShowCursor;
    } else if (cursor_shown_ != 0) {
        out_ += kHideCursor;
    }
    cursor_shown_ = cursor.shown ? 1 : 0;
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
    EmitGlyph(cell.glyph, line_form_);
    // A narrow terminal draws these one column wide; the space fills the
    // cell so that everything after them stays where the layout put it.
    if (!ambiguous_wide_ && IsAmbiguousGlyph(DecodeUtf8(cell.glyph).code)) out_ += ' ';
    at_column_ += cell.part == Cell::Part::Left ? 2 : 1;
    // With autowrap off the cursor sticks at the last column.
    if (at_column_ >= Screen::kColumns) at_column_ = at_row_ = -1;
}

void VtPresenter::EmitGlyph(std::string_view glyph, LineForm form) {
    const char32_t code = DecodeUtf8(glyph).code;
    SetLineDrawing(IsBoxLine(code) && form == LineForm::kDecGraphics);
    if (!IsBoxLine(code) || form == LineForm::kUnicode) {
        out_ += glyph;
        return;
    }
    // In the DEC special graphics set "q" is the rule and "x" the bar.
    if (form == LineForm::kDecGraphics) {
        out_ += AsciiBoxLine(code) == '-' ? 'q' : 'x';
    } else {
        out_ += AsciiBoxLine(code);
    }
}

void VtPresenter::SetLineDrawing(bool on) {
    if (on == line_drawing_) return;
    out_ += on ? kLineDrawingSet : kAsciiSet;
    line_drawing_ = on;
}

void VtPresenter::SetTitle(std::string_view title) {
    out_ += kPushTitle;
    out_ += kSetTitle;
    out_ += title;
    out_ += '\a';
}

void VtPresenter::RequestWindowSize(int columns, int rows) {
    out_ += WindowSize({columns, rows});
}

void VtPresenter::ProbeWidth(int row, std::string_view glyph, LineForm form) {
    MoveTo(0, row);
    EmitGlyph(glyph, form);
    SetLineDrawing(false);
    out_ += kReportCursor;
    LoseTrack();
}

void VtPresenter::ShowNotice(const std::vector<std::string>& lines) {
    Reset();
    ClearToBlack();
    for (std::size_t row = 0; row < lines.size(); ++row) {
        MoveTo(0, static_cast<int>(row));
        out_ += lines[row];
        at_column_ = -1;
    }
    LoseTrack();
}

}  // namespace platform
