#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/screen_console.h"
#include "platform/windows/presenter.h"
#include "platform/windows/state.h"

namespace platform {

// The Windows console through its own API. Drawing goes into the screen
// record, and before every wait the rows that changed are written to the
// screen buffer, cell by cell, as UTF-16 whatever the code page; keys come
// from the input events, as the codes of keys.h. Game coordinates are screen
// buffer coordinates, which RequestWindowSize makes the window's.
class WindowsConsole : public ScreenConsole {
public:
    // Both handles must be the console's (see WhyUnusable).
    WindowsConsole(HANDLE input, HANDLE output);
    ~WindowsConsole() override;
    WindowsConsole(const WindowsConsole&) = delete;
    WindowsConsole& operator=(const WindowsConsole&) = delete;

    // Why the game cannot run on these handles, or an empty string.
    static std::string WhyUnusable(HANDLE input, HANDLE output);

    void SetTitle(std::string_view title) override;
    void RequestWindowSize(int columns, int rows) override;
    void Sleep(std::chrono::milliseconds duration) override;

protected:
    bool KeyReady() override;
    int WaitForKey() override;

private:
    void Flush() override;
    void ResizeBuffer(int columns, int rows);
    // Waits, showing why, while the largest window the console can give is
    // smaller than the game: wine's console in a terminal can give no more
    // than the terminal's size.
    void WaitForRoom();
    void ShowNotice(const std::vector<std::string>& lines);
    // Acts on a change of the buffer's size, if the event is one.
    void ActOnResize(const INPUT_RECORD& record);
    // Takes input events that give no key out of the way.
    void SkipNonKeys();

    HANDLE input_;
    HANDLE output_;
    ConsoleState state_;
    std::unique_ptr<ConsoleOutput> buffer_;
    WindowsPresenter presenter_;
    // The codes still to come of a key that gives more than one.
    std::deque<int> pending_;
};

}  // namespace platform
