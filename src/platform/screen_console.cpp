#include "platform/screen_console.h"

#include <algorithm>
#include <string>

#include "platform/line_editor.h"
#include "platform/text.h"

namespace platform {

void ScreenConsole::MoveCursor(int column, int row) {
    column_ = column;
    row_ = row;
}

void ScreenConsole::Write(std::string_view text) {
    column_ = screen_.Put(column_, row_, text, attribute_);
}

void ScreenConsole::Clear() {
    screen_.Clear();
    column_ = 0;
    row_ = 0;
}

// The reply is edited here rather than by a terminal's line mode, so that
// keys typed ahead of the prompt count, the reply is part of the record that
// a repaint redraws, and special keys are not echoed as escape codes.
int ScreenConsole::EditReply(const std::function<int()>& next_code) {
    const bool was_shown = cursor_shown_;
    const int column = column_;
    const int row = row_;
    LineEditor editor(static_cast<std::size_t>(std::max(Screen::kColumns - 1 - column, 0)));
    cursor_shown_ = true;
    std::size_t shown_length = 0;
    for (auto result = LineEditor::Result::kEditing; result != LineEditor::Result::kDone;) {
        result = editor.Key(next_code());
        if (result == LineEditor::Result::kEndOfInput) throw InputClosed();
        const std::string& reply = editor.text();
        MoveCursor(column, row);
        Write(reply + std::string(shown_length - std::min(shown_length, reply.size()), ' '));
        MoveCursor(column + static_cast<int>(reply.size()), row);
        shown_length = reply.size();
    }
    cursor_shown_ = was_shown;
    // Enter takes the cursor to the next line, as a terminal's echo does.
    MoveCursor(0, row + 1);
    return ParseLeadingInt(editor.text());
}

}  // namespace platform
