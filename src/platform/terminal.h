#pragma once

#include <termios.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/key_decoder.h"
#include "platform/screen.h"
#include "platform/vt_writer.h"

namespace platform {

// The POSIX terminal: raw keyboard input decoded into _getch codes, output
// as ECMA-48 sequences sent in one write before every wait. It keeps a record
// of what it drew, to repaint the window after a resize or a suspension.
// The terminal is put back as it was on destruction, on Ctrl+Z and on SIGINT,
// SIGTERM, SIGHUP and SIGQUIT.
class Terminal : public Console {
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

    void MoveCursor(int column, int row) override;
    void SetAttribute(int attribute) override;
    void Write(std::string_view text) override;
    void Clear() override;
    void HideCursor() override;
    void SetTitle(std::string_view title) override;
    void RequestWindowSize(int columns, int rows) override;
    bool KeyWaiting() override;
    int ReadKey() override;
    int ReadInt() override;
    void Sleep(std::chrono::milliseconds duration) override;

private:
    void Flush();
    void EnterGameMode();
    // Acts on what signals left for the loop: a resumed process, a resized
    // window, a return to the foreground.
    void Attend();
    void Repaint();
    bool IsForeground() const;
    void WaitForForeground() const;
    std::pair<int, int> WindowSize() const;
    // Waits, showing why, while the window is smaller than the game.
    void WaitForRoom();
    void ShowTooSmall(std::pair<int, int> size);
    bool ProbeAmbiguousWide();

    // Waits up to `timeout_ms` (-1: for ever) for input and feeds it to
    // `decoder`; also lets a lone ESC's delay run out. False when a signal
    // came first.
    bool Pump(KeyDecoder& decoder, int timeout_ms);
    static int PumpTimeout(const KeyDecoder& decoder);
    // One line of canonical input, without its newline; nothing at its end.
    std::optional<std::string> ReadLine();
    void SetMode(const termios& mode);

    int in_fd_;
    int out_fd_;
    termios saved_{};
    termios raw_{};
    bool active_ = false;
    bool paused_ = false;        // stopped or sent to the background since the last tick
    bool reading_line_ = false;  // the player is typing a reply, echoed

    OutputEncoding encoding_;
    VtWriter writer_;
    KeyDecoder decoder_;
    Screen record_;
    int column_ = 0;
    int row_ = 0;
    int attribute_ = Cell::kDefaultAttribute;
    bool cursor_hidden_ = false;
};

}  // namespace platform
