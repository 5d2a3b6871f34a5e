#include "platform/screen_console.h"

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

}  // namespace platform
