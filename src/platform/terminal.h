#pragma once

#include <termios.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/console.h"
#include "platform/key_decoder.h"
#include "platform/screen.h"
#include "platform/vt_writer.h"

namespace platform {

// The POSIX terminal: raw keyboard input decoded into _getch codes, output
// as ECMA-48 sequences sent in one write before every wait. The terminal is
// put back as it was on destruction and on SIGINT, SIGTERM, SIGHUP and
// SIGQUIT.
class Terminal : public Console {
public:
    // Both descriptors must be terminals (see IsUsableTerminal).
    Terminal(int in_fd, int out_fd);
    ~Terminal() override;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Why the game cannot run on these descriptors, or an empty string.
    static std::string WhyUnusable(int in_fd, int out_fd);

    // Puts the terminal back as it was found; safe to call more than once.
    void Restore();
    // What this terminal has been told to show.
    const Screen& record() const { return record_; }

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
    std::time_t CalendarTime() override;
    void SeedRandom(unsigned seed) override;
    int Random() override;

private:
    void Flush();
    // Waits up to `timeout_ms` (-1: for ever) for input and feeds it to the
    // decoder; also lets a lone ESC's delay run out.
    void Pump(int timeout_ms);
    int PumpTimeout() const;
    // One line of canonical input, without its newline; nothing at its end.
    std::optional<std::string> ReadLine();
    void SetMode(const termios& mode);

    int in_fd_;
    int out_fd_;
    termios saved_{};
    termios raw_{};
    bool active_ = false;

    VtWriter writer_;
    KeyDecoder decoder_;
    Screen record_;
    int column_ = 0;
    int row_ = 0;
    int attribute_ = Cell::kDefaultAttribute;
};

}  // namespace platform
