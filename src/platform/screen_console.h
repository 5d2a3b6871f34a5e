#pragma once

#include <functional>

#include "platform/console.h"
#include "platform/screen.h"

namespace platform {

// The drawing half of every console: drawing only changes a record of the
// screen, with the cursor and the current attribute. Backends present the
// record to the real screen whenever the player must see it; tests read it.
class ScreenConsole : public Console {
public:
    void MoveCursor(int column, int row) override;
    void SetAttribute(int attribute) override { attribute_ = attribute; }
    void Write(std::string_view text) override;
    void Clear() override;
    void HideCursor() override { cursor_shown_ = false; }

    const Screen& screen() const { return screen_; }
    int attribute() const { return attribute_; }
    int cursor_column() const { return column_; }
    int cursor_row() const { return row_; }
    bool cursor_hidden() const { return !cursor_shown_; }

protected:
    // Reads a reply at the cursor from the key codes `next_code` gives,
    // edited (see LineEditor) and shown in the record with the cursor after
    // it, and returns the number it starts with (see ParseLeadingInt).
    // Throws InputClosed on Ctrl+D on an empty reply.
    int EditReply(const std::function<int()>& next_code);

    Screen& mutable_screen() { return screen_; }
    void SetCursorShown(bool shown) { cursor_shown_ = shown; }

private:
    Screen screen_;
    int attribute_ = Cell::kDefaultAttribute;
    int column_ = 0;
    int row_ = 0;
    bool cursor_shown_ = true;
};

}  // namespace platform
