#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <deque>
#include <memory>
#include <string>

#include "platform/screen_console.h"

namespace platform {

class ConsolePresenter;

// The Windows console through its own API. Drawing goes into the screen
// record, and before every wait the cells that changed are written as UTF-16,
// whatever the code page; keys come from the input events as _getch codes.
// Game coordinates are screen buffer coordinates, which RequestWindowSize
// makes the window's. The console is cleared on construction, repainted when
// its buffer changes size, and put back as it was found (size, window,
// attribute, cursor, title, modes) on destruction and on Ctrl+C, Ctrl+Break
// and close.
class WindowsConsole : public ScreenConsole {
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

    void SetTitle(std::string_view title) override;
    void RequestWindowSize(int columns, int rows) override;
    void Sleep(std::chrono::milliseconds duration) override;

protected:
    bool KeyArrived() override;
    int NextKey() override;

private:
    // Brings the console up to date with the record, the cursor included.
    void Flush();
    // Draws every cell again, whatever the console shows.
    void Repaint();
    void ResizeBuffer(int columns, int rows);
    // Takes input events that give no key out of the way; a change of the
    // buffer's size repaints.
    void SkipNonKeys();

    HANDLE input_;
    HANDLE output_;
    std::unique_ptr<ConsolePresenter> presenter_;
    // The codes still to come of a key that gives more than one.
    std::deque<int> pending_;
};

}  // namespace platform
