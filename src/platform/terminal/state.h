#pragma once

#include <termios.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>
#include <utility>

#include "platform/terminal/vt_presenter.h"

namespace platform {

// Writes all of `bytes`, or as much as the terminal takes before it fails.
// Async-signal-safe: write only.
void WriteAll(int fd, std::string_view bytes) noexcept;

// The terminal as the game found it and what the game has changed since: the
// one place that knows both, and so the one place that puts the terminal
// back, whether the game ends, is suspended or is killed. The bytes that
// undo the changes are composed whenever a change is noted, so that a signal
// handler finds them ready and needs no allocation to put the terminal back.
class TerminalState {
public:
    TerminalState(int in_fd, int out_fd);

    // Puts the terminal in the game's mode: keys as they are typed, no echo.
    // Throws std::system_error, having changed nothing, when the mode cannot
    // be set; the constructor likewise when it cannot be read.
    void EnterGameMode();
    // Undoes the game's changes and puts back the mode found, once after each
    // EnterGameMode. Async-signal-safe: write and tcsetattr only.
    void PutBack() noexcept;
    bool in_game_mode() const { return in_game_mode_; }

    void NoteTitle(std::string_view title);
    // The game asked for `asked`, and the window was `found`.
    void NoteWindowSize(std::pair<int, int> asked, std::pair<int, int> found);
    const VtPresenter::Changes& changes() const { return changes_; }

private:
    void ComposeUndo();

    int in_fd_;
    int out_fd_;
    termios found_mode_{};
    termios game_mode_{};
    // Exchanged, so that the terminal is put back once even when a crash
    // interrupts a handler that is putting it back.
    std::atomic<bool> in_game_mode_{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
    VtPresenter::Changes changes_;
    std::array<char, 256> undo_{};
    std::size_t undo_size_ = 0;
};

}  // namespace platform
