#include "platform/terminal/state.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <system_error>

namespace platform {

namespace {

termios GameMode(termios mode) {
    mode.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    // ISIG stays, so that Ctrl+C and Ctrl+Z do what a shell user expects.
    mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    // A write from the background stops the game rather than drawing over
    // whoever has the terminal now; it looks where it stands once continued.
    mode.c_lflag |= TOSTOP;
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    return mode;
}

}  // namespace

void WriteAll(int fd, std::string_view bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

TerminalState::TerminalState(int in_fd, int out_fd) : in_fd_(in_fd), out_fd_(out_fd) {
    if (::tcgetattr(in_fd_, &found_mode_) != 0) {
        throw std::system_error(errno, std::generic_category(),
                                "the terminal's mode cannot be read");
    }
    game_mode_ = GameMode(found_mode_);
    ComposeUndo();
}

void TerminalState::EnterGameMode() {
    if (::tcsetattr(in_fd_, TCSADRAIN, &game_mode_) != 0) {
        throw std::system_error(errno, std::generic_category(),
                                "the terminal's mode cannot be set");
    }
    in_game_mode_ = true;
}

void TerminalState::PutBack() noexcept {
    if (!in_game_mode_.exchange(false)) return;
    WriteAll(out_fd_, std::string_view(undo_.data(), undo_size_));
    ::tcsetattr(in_fd_, TCSADRAIN, &found_mode_);
}

void TerminalState::NoteTitle(std::string_view title) {
    changes_.title = title;
    ComposeUndo();
}

void TerminalState::NoteWindowSize(std::pair<int, int> asked, std::pair<int, int> found) {
    changes_.asked_size = asked;
    if (!changes_.found_size) changes_.found_size = found;
    ComposeUndo();
}

// A signal meanwhile finds either the old bytes or the new ones, whole.
void TerminalState::ComposeUndo() {
    const std::string undo = VtPresenter::RestoreBytes(changes_);
    if (undo.size() > undo_.size()) {
        throw std::length_error("the bytes that put the terminal back do not fit their buffer");
    }
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    ::sigprocmask(SIG_BLOCK, &all, &before);
    std::copy(undo.begin(), undo.end(), undo_.begin());
    undo_size_ = undo.size();
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace platform
