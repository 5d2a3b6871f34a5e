#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/presenter.h"

namespace platform {

// How the one-column lines of the game-over box reach the terminal.
enum class LineForm {
    kUnicode,      // "━" and "┃" themselves
    kDecGraphics,  // "q" and "x" of the DEC special graphics set
    kAscii,        // "-" and "|", narrow on every terminal
};

// The one encoder of what an xterm-compatible terminal is sent: the screen
// record presented as ECMA-48 bytes, and every other sequence the game uses.
// It knows where the terminal's cursor is and which colours it draws in,
// picks the shortest way to move and to change colour, and collects the
// bytes for the caller to take and send in one write.
class VtPresenter : public Presenter {
public:
    // How the terminal draws "■", "●", "★" and "○": one column (most
    // terminals) or two (terminals set up for CJK). Either way each fills a
    // two-column cell.
    void SetAmbiguousWide(bool wide) { ambiguous_wide_ = wide; }
    void SetLineForm(LineForm form) { line_form_ = form; }

    // Saves the terminal's own title, to be put back at exit, and sets the
    // game's.
    void SetTitle(std::string_view title);
    void RequestWindowSize(int columns, int rows);
    // Draws `glyph` in `form` at the start of `row` and asks the terminal
    // where its cursor went; the column it answers tells how wide the glyph
    // was drawn. Afterwards what the terminal shows is no longer known.
    void ProbeWidth(int row, std::string_view glyph, LineForm form);
    // Clears the window to the game's black and writes `lines` from the top,
    // in the default colour. Afterwards what the terminal shows is no longer
    // known.
    void ShowNotice(const std::vector<std::string>& lines);

    // The bytes collected since the last take, valid until the next take.
    std::string_view TakeBytes();

    // What the game changed on the terminal beyond its screen.
    struct Changes {
        // The game's title; the terminal's own was saved before it was set.
        std::string title;
        // The window size the game asked for, and the one found before.
        std::optional<std::pair<int, int>> asked_size;
        std::optional<std::pair<int, int>> found_size;
    };
    // What leaves the terminal as the shell expects it: character set,
    // colours, cursor and autowrap put back, the title and the window size
    // too where the game changed them, and the cursor on a fresh line below
    // the game's last row.
    static std::string RestoreBytes(const Changes& changes);

protected:
    void Draw(int column, int row, const Cell& cell) override;
    void BeginFullRedraw() override;
    void Forget() override;
    void PlaceCursor(const Cursor& cursor) override;

private:
    void MoveTo(int column, int row);
    void UseAttribute(int attribute, bool blank);
    void EmitGlyph(std::string_view glyph, LineForm form);
    void SetLineDrawing(bool on);
    // Plain characters in plain colours, whatever the terminal had.
    void Reset();
    void ClearToBlack();

    std::string out_;
    // What the last take handed over; its buffer is reused, as is out_'s.
    std::string taken_;
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
