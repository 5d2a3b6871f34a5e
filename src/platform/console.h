#pragma once

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// The console as the game sees it: a grid of 82 x 32 columns and rows, a
// current attribute in Windows console terms (foreground in bits 0-3,
// background in bits 4-7), keys as the codes of keys.h, and time. Text is
// UTF-8 and laid out by the display model of text.h. Backends: the POSIX
// terminal, the Windows console and, for tests, the virtual console.
//
// The pause after an interruption. When play is interrupted (the process was
// stopped and continued, as Ctrl+Z and fg do, or the window became too small
// for the game: a terminal waits until it is large enough again, a Windows
// console takes the game's size back) the player has lost track of the
// round: the next KeyWaiting is true and the next ReadKey gives ESC, so that
// a round comes back in its pause menu and the player chooses when it goes
// on. A ReadKey or ReadInt that waits meanwhile, and a Clear, drop the pause:
// a menu or a prompt waits for the player anyway, and a new screen starts
// afresh.
class Console {
public:
    virtual ~Console() = default;

    virtual void MoveCursor(int column, int row) = 0;
    virtual void SetAttribute(int attribute) = 0;
    // Writes at the cursor and advances it by the text's display width.
    virtual void Write(std::string_view text) = 0;
    // Blanks the window and homes the cursor; scrollback is left alone.
    virtual void Clear() = 0;
    virtual void HideCursor() = 0;
    virtual void SetTitle(std::string_view title) = 0;
    virtual void RequestWindowSize(int columns, int rows) = 0;

    // True when a key code can be read without waiting, or a pause is owed.
    virtual bool KeyWaiting() = 0;
    // Waits for and returns the next key code.
    virtual int ReadKey() = 0;
    // Reads one echoed, line-edited reply and returns the decimal integer it
    // starts with (see ParseLeadingInt); the rest of the line is discarded.
    virtual int ReadInt() = 0;

    virtual void Sleep(std::chrono::milliseconds duration) = 0;

    // The calendar clock and the pseudo-random generator, here so that tests
    // can fix them; real consoles use the C library's.
    virtual std::time_t CalendarTime() { return std::time(nullptr); }
    virtual void SeedRandom(unsigned seed) { std::srand(seed); }
    virtual int Random() { return std::rand(); }
};

// Standard input ended or the terminal hung up: there is no one left to play.
struct InputClosed : std::runtime_error {
    InputClosed() : std::runtime_error("input closed") {}
};

// The player chose to leave outside the game's own menus.
struct QuitRequested : std::runtime_error {
    QuitRequested() : std::runtime_error("quit requested") {}
};

// The console of the machine the game runs on, set up for the game and put
// back as it was when released. Null, with the reason in `why_not`, when
// there is no interactive console to play on.
std::unique_ptr<Console> OpenSystemConsole(std::string& why_not);

}  // namespace platform
