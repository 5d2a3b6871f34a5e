#pragma once

namespace platform {
class TerminalState;
}

// The terminal's signal handling. Handlers only set flags for the game's loop
// to act on, and wake it through a pipe, with the exceptions that cannot wait
// for the loop: a signal that ends the process, a crash or std::terminate
// puts the terminal back before the process dies, and Ctrl+Z puts it back
// before the process stops. A signal that was ignored when the game started
// stays ignored, as nohup and shells without job control intend.
namespace platform::signals {

// Handles from now on std::terminate, SIGTSTP, SIGCONT, SIGWINCH and the
// signals that end the process, crashes included, putting `terminal` back
// where they must, until Remove.
void Install(TerminalState& terminal);
// Puts back the signal dispositions, the terminate handler and the signal
// stack that Install found.
void Remove();

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
