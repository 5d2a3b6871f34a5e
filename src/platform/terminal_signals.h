#pragma once

#include <termios.h>

#include <cstddef>
#include <string_view>

// The terminal's signal handling. Handlers only set flags for the game's loop
// to act on, and wake it through a pipe, with the exceptions that cannot wait
// for the loop: a signal that ends the process, a crash or std::terminate
// puts the terminal back before the process dies, and Ctrl+Z puts it back
// before the process stops. A signal that was ignored when the game started
// stays ignored, as nohup and shells without job control intend.
namespace platform::signals {

constexpr std::size_t kMaxRestoreBytes = 256;

// Handles from now on std::terminate, SIGTSTP, SIGCONT, SIGWINCH and the
// signals that end the process, crashes included: `saved` is the mode to put
// back on `in_fd`, after writing `restore_bytes` (at most kMaxRestoreBytes,
// else std::length_error) to `out_fd`.
void Install(const termios& saved, int in_fd, int out_fd, std::string_view restore_bytes);
// For a terminal whose undo grew after Install; a signal meanwhile sees
// either the old bytes or the new ones, whole.
void UpdateRestoreBytes(std::string_view restore_bytes);
// Puts back the signal dispositions, the terminate handler and the signal
// stack that Install found.
void Remove();
// Whether the terminal is in the game's mode, so that a signal has to put it
// back.
void SetRawActive(bool active);

// Readable when a handled signal left something for the loop, so that a wait
// that polls it cannot sleep through one; -1 when there is no such pipe.
// DrainWake before the Take functions: a signal after the drain then leaves
// a byte for the next wait.
int WakeFd();
void DrainWake();

// Each true once per event: the process went on after a stop, the window
// changed size.
bool TakeContinued();
bool TakeResized();

}  // namespace platform::signals
