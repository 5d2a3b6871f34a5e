#include "platform/vt_writer.h"

#include "platform/screen.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr std::string_view kCsi = "\x1b[";

// ANSI numbers colours red 1, green 2, blue 4; Windows numbers them the other
// way round.
int AnsiColour(int windows_colour) {
    return ((windows_colour & 4) ? 1 : 0) + ((windows_colour & 2) ? 2 : 0) +
           ((windows_colour & 1) ? 4 : 0);
}

int SgrColour(int windows_colour, int base) {
    return base + AnsiColour(windows_colour) + ((windows_colour & 8) ? 60 : 0);
}

}  // namespace

std::string SgrFor(int attribute) {
    return std::string(kCsi) + std::to_string(SgrColour(attribute & 0xF, 30)) + ';' +
           std::to_string(SgrColour((attribute >> 4) & 0xF, 40)) + 'm';
}

void VtWriter::Begin() {
    Emit("\x1b[0m\x1b[?7l");
    sent_attribute_ = -1;
}

std::string_view VtWriter::RestoreSequence() {
    static constexpr std::string_view kRestore = "\x1b(B\x1b[0m\x1b[?25h\x1b[?7h\x1b[32;1H\r\n";
    return kRestore;
}

void VtWriter::MoveCursor(int column, int row) {
    column_ = column;
    row_ = row;
}

void VtWriter::PlaceCursor() {
    if (column_ == at_column_ && row_ == at_row_) return;
    Emit(kCsi);
    Emit(std::to_string(row_ + 1));
    Emit(";");
    Emit(std::to_string(column_ + 1));
    Emit("H");
    at_column_ = column_;
    at_row_ = row_;
}

void VtWriter::ApplyAttribute() {
    if (attribute_ == sent_attribute_) return;
    Emit(SgrFor(attribute_));
    sent_attribute_ = attribute_;
}

void VtWriter::Write(std::string_view text) {
    if (text.empty()) return;
    PlaceCursor();
    ApplyAttribute();
    while (!text.empty()) {
        const Utf8Char c = DecodeUtf8(text);
        EmitCharacter(c.code, text.substr(0, c.length));
        text.remove_prefix(c.length);
        column_ += CharWidth(c.code);
    }
    SetLineDrawing(false);
    // With autowrap off the cursor sticks at the last column.
    at_column_ = column_ < Screen::kColumns ? column_ : -1;
}

void VtWriter::EmitCharacter(char32_t code, std::string_view bytes) {
    // A terminal that draws ambiguous characters wide would draw the box's
    // lines two columns wide too; the DEC line drawing set has one-column
    // lines everywhere.
    if (ambiguous_wide_ && (code == U'━' || code == U'┃')) {
        SetLineDrawing(true);
        Emit(code == U'━' ? "q" : "x");
        return;
    }
    SetLineDrawing(false);
    Emit(bytes);
    // A narrow terminal draws these one column wide; the space fills the cell
    // so that everything after them stays where the layout put it.
    if (!ambiguous_wide_ && IsAmbiguousGlyph(code)) Emit(" ");
}

void VtWriter::SetLineDrawing(bool on) {
    if (on == line_drawing_) return;
    Emit(on ? "\x1b(0" : "\x1b(B");
    line_drawing_ = on;
}

void VtWriter::Clear() {
    Emit("\x1b[0m\x1b[H\x1b[2J");
    sent_attribute_ = -1;
    column_ = row_ = at_column_ = at_row_ = 0;
}

void VtWriter::HideCursor() {
    Emit("\x1b[?25l");
}

void VtWriter::ShowCursor() {
    Emit("\x1b[?25h");
}

void VtWriter::SetTitle(std::string_view title) {
    Emit("\x1b]0;");
    Emit(title);
    Emit("\x07");
}

void VtWriter::RequestWindowSize(int columns, int rows) {
    Emit(kCsi);
    Emit("8;" + std::to_string(rows) + ';' + std::to_string(columns) + 't');
}

void VtWriter::RequestCursorReport() {
    Emit("\x1b[6n");
    at_column_ = -1;
}

void VtWriter::Emit(std::string_view text) {
    out_.append(text);
}

}  // namespace platform
