#pragma once

#include <unistd.h>

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "platform/screen_console.h"
#include "platform/terminal/encoding.h"
#include "platform/terminal/key_decoder.h"
#include "platform/terminal/state.h"
#include "platform/terminal/vt_presenter.h"

namespace platform {

// The POSIX terminal. Drawing goes into the screen record; before every wait
// the cells that changed are sent in one write. Input is read as it arrives,
// while the game sleeps too, and decoded into key codes; codes already
// decoded are taken without a system call. The terminal is put back as it
// was on destruction, on Ctrl+Z and on the signals that end the process.
class Terminal : public ScreenConsole {
public:
    // Both descriptors must be terminals (see WhyUnusable). Throws
    // std::system_error, having changed nothing, when the terminal's mode
    // cannot be read or set.
    Terminal(int in_fd, int out_fd);
    ~Terminal() override;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Why the game cannot run on these descriptors, or an empty string.
    static std::string WhyUnusable(int in_fd, int out_fd);

    void SetTitle(std::string_view title) override;
    void RequestWindowSize(int columns, int rows) override;
    void Sleep(std::chrono::milliseconds duration) override;

protected:
    bool KeyReady() override;
    int WaitForKey() override;

private:
    using Clock = KeyDecoder::Clock;

    void Flush() override;
    void Send(std::string_view bytes);
    // Acts on what signals left for the loop: a process continued after a
    // stop, a resized window.
    void ActOnSignals();
    void Resume();
    void WaitForForeground() const;
    std::pair<int, int> WindowSize() const;
    // Asks for the game's window and gives the terminal a moment to grant it.
    void AskForWindow();
    // Waits, showing why, while the window is smaller than the game; true if
    // it had to.
    bool WaitForRoom();
    void MeasureGlyphs();
    std::array<int, Screen::kRows> ReadWidths(std::size_t probes);
    enum class Reading {
        kUntilAKey,  // nothing more while a decoded code waits to be taken
        kPastKeys,   // on, for the terminal's answers behind the keys
    };
    enum class Woke { kByInputOrTime, kBySignal };
    // Reads what arrives until `deadline` (none: until something does) and
    // feeds it to `decoder`, unless a signal comes first.
    Woke WaitForInput(KeyDecoder& decoder, std::optional<Clock::time_point> deadline,
                      Reading reading = Reading::kUntilAKey);

    int in_fd_;
    int out_fd_;
    TerminalState state_;
    OutputEncoding encoding_;
    VtPresenter presenter_;
    KeyDecoder decoder_;
};

}  // namespace platform
