#pragma once

#include <termios.h>

#include <string_view>

// The terminal's signal handling. Handlers only set flags for the game's loop
// to act on, with two exceptions that cannot wait for the loop: a fatal
// signal puts the terminal back before the process dies, and Ctrl+Z puts it
// back before the process stops.
namespace platform::signals {

// Handles SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT and SIGWINCH
// from now on; `saved` is the mode to put back on `in_fd`, after writing
// `restore_bytes` to `out_fd`.
void Install(const termios& saved, int in_fd, int out_fd, std::string_view restore_bytes);
void Remove();
// Whether the terminal is in the game's mode, so that a signal has to put it
// back.
void SetRawActive(bool active);

// Each true once per event: the process went on after a stop, the window
// changed size.
bool TakeContinued();
bool TakeResized();

// Readable whenever a signal the loop acts on has arrived, so that a wait can
// wake for it; DrainWake empties it.
int WakeFd();
void DrainWake();

}  // namespace platform::signals
