// A real terminal emulator (libvterm) that is fed every byte a program writes
// and so holds what a terminal shows: its cells with their colours, the
// cursor, the title and the window size asked for. It answers the program's
// queries, such as cursor position reports, as a terminal does.
#pragma once

#include <vterm.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "expected_screen.h"

class TerminalScreen {
public:
    TerminalScreen(int columns, int rows) : vt_(vterm_new(rows, columns)) {
        vterm_set_utf8(vt_, 1);
        screen_ = vterm_obtain_screen(vt_);
        callbacks_.settermprop = &SetProperty;
        vterm_screen_set_callbacks(screen_, &callbacks_, this);
        fallbacks_.csi = &WindowOperation;
        vterm_screen_set_unrecognised_fallbacks(screen_, &fallbacks_, this);
        vterm_screen_reset(screen_, 1);
    }
    ~TerminalScreen() { vterm_free(vt_); }
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    // Takes what the program wrote; returns what the terminal answers.
    std::string Feed(std::string_view bytes) {
        vterm_input_write(vt_, bytes.data(), bytes.size());
        std::string answer(vterm_output_get_buffer_current(vt_), '\0');
        answer.resize(vterm_output_read(vt_, answer.data(), answer.size()));
        return answer;
    }
    void Resize(int columns, int rows) { vterm_set_size(vt_, rows, columns); }

    ShownCell At(int column, int row) const {
        VTermScreenCell cell{};
        vterm_screen_get_cell(screen_, {row, column}, &cell);
        return {Utf8(cell.chars[0]), Colour(cell.fg), Colour(cell.bg)};
    }
    std::string Text(int column, int row, int width) const {
        std::string text;
        for (int c = column; c < column + width; ++c) text += At(c, row).glyph;
        return text;
    }
    bool Shows(std::string_view text) const {
        int rows = 0;
        int columns = 0;
        vterm_get_size(vt_, &rows, &columns);
        for (int row = 0; row < rows; ++row) {
            if (Text(0, row, columns).find(text) != std::string::npos) return true;
        }
        return false;
    }
    VTermPos cursor() const {
        VTermPos position{};
        vterm_state_get_cursorpos(vterm_obtain_state(vt_), &position);
        return position;
    }
    bool cursor_shown() const { return cursor_shown_; }
    const std::string& title() const { return title_; }
    // The last window size asked for (columns, rows), which this terminal,
    // like most, does not grant, and the cursor's row when it was asked: a
    // terminal that grants it may pull its scrollback in above the cursor.
    std::pair<long, long> asked_size() const { return asked_size_; }
    int asked_size_row() const { return asked_size_row_; }

    // Whether what is written now comes out plainly, as a shell expects: in
    // the terminal's own colours, ASCII as ASCII, wrapping at the right edge.
    // Finds out by writing on the last row.
    bool TakesPlainText() {
        int rows = 0;
        int columns = 0;
        vterm_get_size(vt_, &rows, &columns);
        Feed("\x1b[" + std::to_string(rows - 1) + ";" + std::to_string(columns) + "Hqx");
        return At(columns - 1, rows - 2).glyph == "q" && At(0, rows - 1).glyph == "x" &&
               At(0, rows - 1).foreground == ShownCell::kDefault &&
               At(0, rows - 1).background == ShownCell::kDefault;
    }

private:
    static std::string Utf8(uint32_t code) {
        if (code == 0) return " ";
        if (code == static_cast<uint32_t>(-1)) return "";
        if (code < 0x80) return std::string(1, static_cast<char>(code));
        const int trailing = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        // The lead byte: as many high bits set as the character has bytes.
        std::string bytes(1,
                          static_cast<char>((0xFF << (7 - trailing)) | (code >> (6 * trailing))));
        for (int i = trailing - 1; i >= 0; --i) {
            bytes += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
        }
        return bytes;
    }
    static int Colour(const VTermColor& colour) {
        if (VTERM_COLOR_IS_DEFAULT_FG(&colour) || VTERM_COLOR_IS_DEFAULT_BG(&colour))
            return ShownCell::kDefault;
        return VTERM_COLOR_IS_INDEXED(&colour) ? colour.indexed.idx : ShownCell::kUnknown;
    }
    static int SetProperty(VTermProp property, VTermValue* value, void* self) {
        auto& screen = *static_cast<TerminalScreen*>(self);
        if (property == VTERM_PROP_CURSORVISIBLE) screen.cursor_shown_ = value->boolean != 0;
        if (property == VTERM_PROP_TITLE) screen.title_ = value->string;
        return 1;
    }
    // The window operations libvterm leaves to its host: the title stack
    // (22 pushes, 23 pops) and the request for a window size (8).
    static int WindowOperation(const char* leader, const long args[], int count, const char*,
                               char command, void* self) {
        auto& screen = *static_cast<TerminalScreen*>(self);
        if (leader != nullptr || command != 't' || count < 1) return 0;
        const long operation = CSI_ARG(args[0]);
        if (operation == 22) screen.titles_.push_back(screen.title_);
        if (operation == 23 && !screen.titles_.empty()) {
            screen.title_ = screen.titles_.back();
            screen.titles_.pop_back();
        }
        if (operation == 8 && count == 3) {
            screen.asked_size_ = {CSI_ARG(args[2]), CSI_ARG(args[1])};
            screen.asked_size_row_ = screen.cursor().row;
        }
        return 1;
    }

    VTerm* vt_;
    VTermScreen* screen_;
    VTermScreenCallbacks callbacks_{};
    VTermParserCallbacks fallbacks_{};
    bool cursor_shown_ = true;
    std::string title_;
    std::vector<std::string> titles_;
    std::pair<long, long> asked_size_{0, 0};
    int asked_size_row_ = -1;
};
