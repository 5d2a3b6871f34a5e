#include "platform/screen_console.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/keys.h"
#include "platform/line_editor.h"
#include "platform/text.h"

namespace platform {

bool FitsTheGame(std::pair<int, int> size) {
    return size.first >= Screen::kColumns && size.second >= Screen::kRows;
}

std::vector<std::string> TooSmallNotice(std::pair<int, int> size) {
    const auto dimensions = [](int columns, int rows) {
        return std::to_string(columns) + "x" + std::to_string(rows);
    };
    const std::string needs = dimensions(Screen::kColumns, Screen::kRows);
    const std::string has = dimensions(size.first, size.second);
    return {
        "窗口太小：需要 " + needs + "，当前 " + has + "。",
        "Window too small: needs " + needs + ", has " + has + ".",
        "请放大窗口，或按 ESC 或 q 退出。",
        "Enlarge it, or press ESC or q to quit.",
    };
}

bool LeavesTheNotice(int code) {
    return code == key::kEscape || code == 'q' || code == 'Q';
}

void ScreenConsole::MoveCursor(int column, int row) {
    cursor_.column = column;
    cursor_.row = row;
}

void ScreenConsole::Write(std::string_view text) {
    cursor_.column = screen_.Put(cursor_.column, cursor_.row, text, attribute_);
}

// A new screen: whatever interrupted the old one no longer matters.
void ScreenConsole::Clear() {
    screen_.Clear();
    MoveCursor(0, 0);
    pause_ = Pause::kNone;
}

void ScreenConsole::Repaint() {
    if (presenter_ != nullptr) presenter_->LoseTrack();
    Flush();
}

void ScreenConsole::Interrupted() {
    pause_ = Pause::kOwed;
}

bool ScreenConsole::KeyWaiting() {
    const bool arrived = KeyReady();
    if (pause_ == Pause::kOwed) {
        pause_ = Pause::kEscapeNext;
        return true;
    }
    return arrived;
}

// A menu or a reply that waits for a key is a pause already.
int ScreenConsole::ReadKey() {
    if (std::exchange(pause_, Pause::kNone) == Pause::kEscapeNext) return key::kEscape;
    const int code = WaitForKey();
    pause_ = Pause::kNone;
    return code;
}

int ScreenConsole::ReadInt() {
    const int reply = ReadNumberReply();
    pause_ = Pause::kNone;
    return reply;
}

int ScreenConsole::ReadNumberReply() {
    return EditNumberReply([this] { return WaitForKey(); });
}

// The reply is edited here rather than by a terminal's line mode, so that
// keys typed ahead of the prompt count, the reply is part of the record that
// a repaint redraws, and special keys are not echoed as escape codes.
int ScreenConsole::EditNumberReply(const std::function<int()>& next_code) {
    const bool was_shown = cursor_.shown;
    const int column = cursor_.column;
    const int row = cursor_.row;
    LineEditor editor(static_cast<std::size_t>(std::max(Screen::kColumns - 1 - column, 0)));
    cursor_.shown = true;
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
    cursor_.shown = was_shown;
    // Enter takes the cursor to the next line, as a terminal's echo does.
    MoveCursor(0, row + 1);
    return ParseLeadingInt(editor.text());
}

}  // namespace platform
