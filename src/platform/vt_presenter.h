#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/presenter.h"

namespace platform {

// How the one-column lines of the game-over box reach the terminal.
enum class LineForm {
    kUnicode,      // "━" and "┃" themselves
    kDecGraphics,  // "q" and "x" of the DEC special graphics set
    kAscii,        // "-" and "|", narrow on every terminal
};

// Presents the screen record to an xterm-compatible terminal as ECMA-48 bytes,
// collected for the caller to send in one write. It knows where the
// terminal's cursor is and which colours it draws in, and picks the shortest
// way to move and to change colour.
class VtPresenter : public Presenter {
public:
    // How the terminal draws "■", "●", "★" and "○": one column (most
    // terminals) or two (terminals set up for CJK). Either way each fills a
    // two-column cell.
    void SetAmbiguousWide(bool wide) { ambiguous_wide_ = wide; }
    void SetLineForm(LineForm form) { line_form_ = form; }

    // The changed cells of `wanted`, then the cursor: shown at (column, row)
    // or hidden.
    void Frame(Screen& wanted, bool cursor_shown, int column, int row);

    void SetTitle(std::string_view title);
    void RequestWindowSize(int columns, int rows);
    // Asks the terminal where its cursor is; it answers on the input side.
    void RequestCursorReport();
    // Bytes that bypass the record; the cursor and colours are then unknown.
    void Raw(std::string_view bytes);

    // Clears the window to the game's black where the terminal erases in the
    // current colour, and leaves the cursor at the top left.
    static constexpr std::string_view kClearToBlack = "\x1b[37;40m\x1b[H\x1b[2J";

    const std::string& bytes() const { return out_; }
    void ClearBytes() { out_.clear(); }

    // What the game changed, for RestoreBytes to undo.
    struct Changes {
        bool title_pushed = false;
        // The window size found at start, once the game asked for its own.
        std::optional<std::pair<int, int>> found_size;
    };
    // What leaves the terminal as the shell expects it: character set,
    // colours, cursor and autowrap put back, the title and the window size
    // too where the game changed them, and the cursor on a fresh line below
    // the game's last row.
    static std::string RestoreBytes(const Changes& changes);

protected:
    void Draw(int column, int row, const Cell& cell) override;
    void StartOver() override;

private:
    void MoveTo(int column, int row);
    void UseAttribute(int attribute, bool blank);
    void EmitGlyph(std::string_view glyph);
    void SetLineDrawing(bool on);
    void ForgetState();

    std::string out_;
    bool ambiguous_wide_ = false;
    LineForm line_form_ = LineForm::kUnicode;
    // The terminal's state; -1 where it is not known.
    int at_column_ = -1;
    int at_row_ = -1;
    int foreground_ = -1;
    int background_ = -1;
    int cursor_shown_ = -1;
    bool line_drawing_ = false;
};

}  // namespace platform
