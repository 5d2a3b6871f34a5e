// Stopped and continued, or squeezed: the terminal given back meanwhile and
// taken again, with the round paused.
#include <poll.h>

#include "platform/terminal/signals.h"
#include "platform/terminal/terminal.h"

namespace platform {

namespace {

constexpr std::chrono::milliseconds kBackgroundCheck{100};

bool IsForeground(int fd) {
    const pid_t foreground = ::tcgetpgrp(fd);
    return foreground == -1 || foreground == ::getpgrp();
}

}  // namespace

void Terminal::WaitForForeground() const {
    while (!IsForeground(in_fd_)) {
        pollfd wake{signals::WakeFd(), POLLIN, 0};
        ::poll(&wake, 1, static_cast<int>(kBackgroundCheck.count()));
        signals::DrainWake();
    }
}

void Terminal::ActOnSignals() {
    if (signals::TakeContinued()) {
        Resume();
    } else if (signals::TakeResized()) {
        if (WaitForRoom()) Interrupted();
        Repaint();
    }
}

// A process leaves the foreground only by being stopped, or by another
// taking the terminal, which stops it at its next write (TOSTOP) or read. So
// it is after a stop that the game looks where it stands: once the terminal
// is its own again it takes it back, with the title and the window size that
// leaving put back.
void Terminal::Resume() {
    presenter_.LoseTrack();
    WaitForForeground();
    signals::TakeContinued();
    // A stop that no handler saw (SIGSTOP) put nothing back: the title saved
    // once must not be saved again, or the game's would outlive it.
    const bool was_put_back = !state_.in_game_mode();
    state_.EnterGameMode();
    if (was_put_back && !state_.changes().title.empty()) {
        presenter_.SetTitle(state_.changes().title);
    }
    AskForWindow();
    WaitForRoom();
    Repaint();
    Interrupted();
}

}  // namespace platform
