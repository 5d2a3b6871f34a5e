// The window: the size the game asks for, and the wait, with a notice,
// while the window is smaller than the game.
#include <sys/ioctl.h>

#include <algorithm>
#include <vector>

#include "platform/terminal/signals.h"
#include "platform/terminal/terminal.h"

namespace platform {

// How long a terminal that honours the window size request may take.
constexpr std::chrono::milliseconds kResizeWait{250};

void Terminal::RequestWindowSize(int columns, int rows) {
    state_.NoteWindowSize({columns, rows}, WindowSize());
    AskForWindow();
    if (WaitForRoom()) Repaint();
}

void Terminal::AskForWindow() {
    const auto& asked = state_.changes().asked_size;
    if (!asked) return;
    presenter_.RequestWindowSize(asked->first, asked->second);
    Send(presenter_.TakeBytes());
    const auto give_up = Clock::now() + kResizeWait;
    while (!FitsTheGame(WindowSize()) && Clock::now() < give_up) {
        WaitForInput(decoder_, std::min(give_up, Clock::now() + std::chrono::milliseconds(25)));
    }
    signals::TakeResized();
}

std::pair<int, int> Terminal::WindowSize() const {
    winsize size{};
    if (::ioctl(out_fd_, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
        return {Screen::kColumns, Screen::kRows};
    }
    return {size.ws_col, size.ws_row};
}

// Keys other than ESC and q are for nobody meanwhile.
bool Terminal::WaitForRoom() {
    KeyDecoder keys(decoder_.charset());
    bool waited = false;
    for (auto size = WindowSize(); !FitsTheGame(size); size = WindowSize()) {
        waited = true;
        presenter_.ShowNotice(TooSmallNotice(size));
        Send(presenter_.TakeBytes());
        WaitForInput(keys, keys.Deadline());
        signals::TakeResized();
        while (keys.HasCode()) {
            const int code = keys.TakeCode();
            if (LeavesTheNotice(code)) throw QuitRequested();
        }
    }
    return waited;
}

}  // namespace platform
