#pragma once

#include <termios.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/encoding.h"
#include "platform/key_decoder.h"
#include "platform/screen_console.h"
#include "platform/vt_presenter.h"

namespace platform {

// The POSIX terminal. Drawing goes into the screen record; before every wait
// the cells that changed are sent in one write. Input is read as it arrives,
// while the game sleeps too, and decoded into _getch codes. The terminal is
// put back as it was on destruction, on Ctrl+Z and on SIGINT, SIGTERM,
// SIGHUP and SIGQUIT; after Ctrl+Z or a too small window a round comes back
// in its pause menu.
class Terminal : public ScreenConsole {
public:
    // Both descriptors must be terminals (see WhyUnusable).
    Terminal(int in_fd, int out_fd);
    ~Terminal() override;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Why the game cannot run on these descriptors, or an empty string.
    static std::string WhyUnusable(int in_fd, int out_fd);

    // Puts the terminal back as it was found; safe to call more than once.
    void Restore();

    void Clear() override;
    void SetTitle(std::string_view title) override;
    void RequestWindowSize(int columns, int rows) override;
    bool KeyWaiting() override;
    int ReadKey() override;
    int ReadInt() override;
    void Sleep(std::chrono::milliseconds duration) override;

    // A glyph whose width the terminal decides, measured on a row of its own
    // so that the answer tells which it was.
    struct Probe {
        int row;
        std::string_view bytes;
    };

private:
    using Clock = KeyDecoder::Clock;

    void Flush();
    void Send(std::string_view bytes);
    void EnterGameMode();
    // Acts on what signals left for the loop: a resumed process, a resized
    // window, a return to the foreground.
    void Attend();
    void Repaint();
    bool IsForeground() const;
    void WaitForForeground() const;
    std::pair<int, int> WindowSize() const;
    // Waits, showing why, while the window is smaller than the game; true if
    // it had to.
    bool WaitForRoom();
    void ShowTooSmall(std::pair<int, int> size);
    void MeasureGlyphs();
    std::array<int, Screen::kRows> MeasureWidths(const std::vector<Probe>& probes);
    void AskForWindow();
    void NoteChanges();

    // Reads what arrives until `deadline` (none: until something does) and
    // feeds it to `decoder`. False when a signal came first.
    bool Await(KeyDecoder& decoder, std::optional<Clock::time_point> deadline);
    // The next key code, waiting as long as it takes.
    int NextCode();
    void SetMode(const termios& mode);

    int in_fd_;
    int out_fd_;
    pid_t group_ = ::getpgrp();
    termios saved_{};
    termios raw_{};
    VtPresenter::Changes changes_;
    bool active_ = false;
    bool stopped_ = false;  // stopped or sent to the background since the last tick
    // A round's next key poll opens its pause menu, as ESC would.
    bool pause_pending_ = false;
    bool deliver_escape_ = false;
    std::string title_;
    std::optional<std::pair<int, int>> requested_size_;

    OutputEncoding encoding_;
    VtPresenter presenter_;
    KeyDecoder decoder_;
};

}  // namespace platform
