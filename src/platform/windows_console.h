#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <deque>
#include <string>

#include "platform/console.h"

namespace platform {

// The Windows console through its own API: text as UTF-16, whatever the code
// page, keys from the input events as _getch codes. Game coordinates are
// screen buffer coordinates, which RequestWindowSize makes the window's. The
// console is cleared on construction and put back as it was found (size,
// window, attribute, cursor, title, modes) on destruction and on Ctrl+C,
// Ctrl+Break and close.
class WindowsConsole : public Console {
public:
    // Both handles must be the console's (see WhyUnusable).
    WindowsConsole(HANDLE input, HANDLE output);
    ~WindowsConsole() override;
    WindowsConsole(const WindowsConsole&) = delete;
    WindowsConsole& operator=(const WindowsConsole&) = delete;

    // Why the game cannot run on these handles, or an empty string.
    static std::string WhyUnusable(HANDLE input, HANDLE output);

    // Puts the console back as it was found; safe to call more than once.
    void Restore();

    void MoveCursor(int column, int row) override;
    void SetAttribute(int attribute) override;
    void Write(std::string_view text) override;
    void Clear() override;
    void HideCursor() override;
    void SetTitle(std::string_view title) override;
    void RequestWindowSize(int columns, int rows) override;
    bool KeyWaiting() override;
    int ReadKey() override;
    int ReadInt() override;
    void Sleep(std::chrono::milliseconds duration) override;

private:
    void Put(std::string_view text);
    // Called after an ambiguous-width glyph (see IsAmbiguousGlyph): if the
    // console drew it one column wide, a space covers its second column.
    void CoverSecondColumn();
    // Each of these is called with the console lock held.
    void ClearUnlocked();
    void HideCursorUnlocked();
    void ShowCursorUnlocked();
    // Takes the position from the console after it moved the cursor itself.
    void SyncCursor();

    HANDLE input_;
    HANDLE output_;
    // When the console's font draws "━" and "┃" two columns wide, they are
    // replaced by ASCII lines so that the boxes keep their shape.
    bool box_lines_wide_ = false;
    int column_ = 0;
    int row_ = 0;
    // The codes still to come of a key that gives more than one.
    std::deque<int> pending_;
};

}  // namespace platform
