#include "platform/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/terminal_signals.h"
#include "platform/text.h"

namespace platform {

namespace {

using Clock = KeyDecoder::Clock;
using std::chrono::milliseconds;

// Long enough for a terminal across ssh to answer a cursor position query.
constexpr milliseconds kReplyWait{500};
// How long a terminal that honours the window size request may take.
constexpr milliseconds kResizeWait{250};
constexpr milliseconds kBackgroundCheck{100};

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

termios RawMode(termios mode) {
    mode.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    // ISIG stays, so that Ctrl+C and Ctrl+Z do what a shell user expects.
    mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    return mode;
}

termios LineMode(termios raw) {
    raw.c_iflag |= ICRNL;
    raw.c_lflag |= ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
    return raw;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

bool Fits(std::pair<int, int> size) {
    return size.first >= Screen::kColumns && size.second >= Screen::kRows;
}

// Sleeps, but returns early when a signal arrives.
void Nap(milliseconds duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    const timespec pause{static_cast<time_t>(seconds.count()),
                         static_cast<long>((duration - seconds).count()) * 1'000'000L};
    ::nanosleep(&pause, nullptr);
}

}  // namespace

std::unique_ptr<Console> OpenSystemConsole(std::string& why_not) {
    why_not = Terminal::WhyUnusable(STDIN_FILENO, STDOUT_FILENO);
    if (!why_not.empty()) return nullptr;
    return std::make_unique<Terminal>(STDIN_FILENO, STDOUT_FILENO);
}

std::string Terminal::WhyUnusable(int in_fd, int out_fd) {
    if (!::isatty(in_fd)) return "standard input is not a terminal";
    if (!::isatty(out_fd)) return "standard output is not a terminal";
    const char* term = std::getenv("TERM");
    if (term != nullptr && std::strcmp(term, "dumb") == 0) {
        return "the terminal (TERM=dumb) cannot move the cursor";
    }
    return {};
}

Terminal::Terminal(int in_fd, int out_fd)
    : in_fd_(in_fd), out_fd_(out_fd), encoding_(OutputEncoding::LocaleCodeset()) {
    ::tcgetattr(in_fd_, &saved_);
    raw_ = RawMode(saved_);
    signals::Install(saved_, in_fd_, out_fd_);
    active_ = true;
    EnterGameMode();
    writer_.Begin();
    writer_.SetAmbiguousWide(ProbeAmbiguousWide());
    writer_.Clear();
    Flush();
}

Terminal::~Terminal() {
    Restore();
}

void Terminal::Restore() {
    if (!active_) return;
    active_ = false;
    Flush();
    signals::SetRawActive(false);
    WriteAll(out_fd_, VtWriter::RestoreSequence());
    SetMode(saved_);
    signals::Remove();
}

void Terminal::EnterGameMode() {
    SetMode(reading_line_ ? LineMode(raw_) : raw_);
    signals::SetRawActive(true);
}

void Terminal::SetMode(const termios& mode) {
    ::tcsetattr(in_fd_, TCSADRAIN, &mode);
}

void Terminal::Flush() {
    const std::string& bytes = writer_.buffer();
    if (bytes.empty()) return;
    if (encoding_.converts()) {
        WriteAll(out_fd_, encoding_.Convert(bytes));
    } else {
        WriteAll(out_fd_, bytes);
    }
    writer_.ClearBuffer();
}

// Writes the glyph at a known cell and asks where the cursor went. Keys
// that arrive meanwhile stay queued; no answer means a narrow terminal.
bool Terminal::ProbeAmbiguousWide() {
    writer_.SetAmbiguousWide(true);
    writer_.MoveCursor(0, 2);
    writer_.Write("■");
    writer_.RequestCursorReport();
    Flush();
    const auto give_up = Clock::now() + kReplyWait;
    try {
        while (true) {
            if (const auto report = decoder_.TakeCursorReport()) return report->second == 3;
            const auto left = std::chrono::ceil<milliseconds>(give_up - Clock::now());
            if (left.count() <= 0) return false;
            const int timeout = PumpTimeout(decoder_);
            Pump(decoder_, timeout < 0 ? static_cast<int>(left.count())
                                       : std::min(timeout, static_cast<int>(left.count())));
        }
    } catch (const InputClosed&) {
        return false;
    }
}

void Terminal::MoveCursor(int column, int row) {
    column_ = column;
    row_ = row;
    writer_.MoveCursor(column, row);
}

void Terminal::SetAttribute(int attribute) {
    attribute_ = attribute;
    writer_.SetAttribute(attribute);
}

void Terminal::Write(std::string_view text) {
    column_ = record_.Put(column_, row_, text, attribute_);
    writer_.Write(text);
}

void Terminal::Clear() {
    record_.Clear();
    column_ = row_ = 0;
    writer_.Clear();
}

void Terminal::HideCursor() {
    cursor_hidden_ = true;
    writer_.HideCursor();
}

void Terminal::SetTitle(std::string_view title) {
    writer_.SetTitle(title);
}

void Terminal::RequestWindowSize(int columns, int rows) {
    writer_.RequestWindowSize(columns, rows);
    Flush();
    const auto give_up = Clock::now() + kResizeWait;
    while (!Fits(WindowSize()) && Clock::now() < give_up) Nap(milliseconds(25));
    signals::TakeResized();
    if (!Fits(WindowSize())) {
        WaitForRoom();
        Repaint();
    }
}

std::pair<int, int> Terminal::WindowSize() const {
    winsize size{};
    if (::ioctl(out_fd_, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
        return {Screen::kColumns, Screen::kRows};
    }
    return {size.ws_col, size.ws_row};
}

void Terminal::ShowTooSmall(std::pair<int, int> size) {
    const std::string has = std::to_string(size.first) + "x" + std::to_string(size.second);
    const std::string lines[] = {
        "窗口太小：需要 82x32，当前 " + has + "。",
        "Window too small: needs 82x32, has " + has + ".",
        "请放大窗口，或按 ESC 或 q 退出。",
        "Enlarge it, or press ESC or q to quit.",
    };
    writer_.Clear();
    writer_.SetAttribute(Cell::kDefaultAttribute);
    for (int row = 0; row < 4; ++row) {
        writer_.MoveCursor(0, row);
        writer_.Write(lines[row]);
    }
    Flush();
}

// Blocks until the window is big enough; keys other than ESC and q are for
// nobody meanwhile.
void Terminal::WaitForRoom() {
    KeyDecoder keys;
    for (auto size = WindowSize(); !Fits(size); size = WindowSize()) {
        ShowTooSmall(size);
        Pump(keys, PumpTimeout(keys));
        while (keys.HasCode()) {
            const int code = keys.TakeCode();
            if (code == 27 || code == 'q' || code == 'Q') throw QuitRequested();
        }
        signals::TakeResized();
    }
}

void Terminal::Repaint() {
    writer_.Begin();
    writer_.Clear();
    for (int row = 0; row < Screen::kRows; ++row) {
        for (int column = 0; column < Screen::kColumns; ++column) {
            const Cell& cell = record_.At(column, row);
            const bool looks_cleared = cell.glyph == " " && (cell.attribute & 0xF0) == 0;
            if (cell.part == Cell::Part::Right || looks_cleared) continue;
            writer_.MoveCursor(column, row);
            writer_.SetAttribute(cell.attribute);
            writer_.Write(cell.glyph);
        }
    }
    writer_.MoveCursor(column_, row_);
    writer_.SetAttribute(attribute_);
    if (reading_line_) {
        writer_.ShowCursor();
    } else if (cursor_hidden_) {
        writer_.HideCursor();
    }
    Flush();
}

bool Terminal::IsForeground() const {
    const pid_t foreground = ::tcgetpgrp(in_fd_);
    return foreground == -1 || foreground == ::getpgrp();
}

void Terminal::WaitForForeground() const {
    while (!IsForeground()) Nap(kBackgroundCheck);
}

void Terminal::Attend() {
    if (signals::TakeContinued() || !IsForeground()) paused_ = true;
    if (paused_) {
        WaitForForeground();
        paused_ = false;
        signals::TakeResized();
        EnterGameMode();
        WaitForRoom();
        Repaint();
    } else if (signals::TakeResized()) {
        WaitForRoom();
        Repaint();
    }
}

int Terminal::PumpTimeout(const KeyDecoder& decoder) {
    const auto deadline = decoder.Deadline();
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<milliseconds>(*deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool Terminal::Pump(KeyDecoder& decoder, int timeout_ms) {
    pollfd input{in_fd_, POLLIN, 0};
    const int ready = ::poll(&input, 1, timeout_ms);
    if (ready < 0) return errno != EINTR;
    if (ready > 0) {
        char bytes[256];
        const ssize_t got = ::read(in_fd_, bytes, sizeof bytes);
        if (got > 0) {
            decoder.Feed(std::string_view(bytes, static_cast<std::size_t>(got)), Clock::now());
        } else if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            return errno != EINTR;
        } else {
            throw InputClosed();
        }
    }
    decoder.Expire(Clock::now());
    return true;
}

bool Terminal::KeyWaiting() {
    Attend();
    if (!decoder_.HasCode()) Pump(decoder_, 0);
    return decoder_.HasCode();
}

int Terminal::ReadKey() {
    Attend();
    Flush();
    while (!decoder_.HasCode()) {
        if (!Pump(decoder_, PumpTimeout(decoder_))) Attend();
    }
    return decoder_.TakeCode();
}

std::optional<std::string> Terminal::ReadLine() {
    std::string line;
    char byte = 0;
    while (true) {
        const ssize_t got = ::read(in_fd_, &byte, 1);
        if (got < 0 && errno == EINTR) {
            Attend();
            continue;
        }
        if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
        if (byte == '\n') return line;
        line += byte;
    }
}

int Terminal::ReadInt() {
    Attend();
    // Line mode first: what is typed once the prompt shows must be echoed.
    reading_line_ = true;
    EnterGameMode();
    writer_.ShowCursor();
    Flush();
    // Like formatted extraction, a reply of only white space is no reply.
    std::optional<std::string> line;
    do {
        line = ReadLine();
    } while (line && IsBlank(*line));
    reading_line_ = false;
    EnterGameMode();
    // Ctrl+D on an empty line, or a terminal that hung up.
    if (!line) throw InputClosed();
    const std::string& reply = *line;
    // The terminal echoed the reply and went to the next line by itself.
    record_.Put(column_, row_, reply, attribute_);
    column_ = 0;
    ++row_;
    writer_.ForgetCursor();
    if (cursor_hidden_) writer_.HideCursor();
    return ParseLeadingInt(reply);
}

void Terminal::Sleep(milliseconds duration) {
    Attend();
    Flush();
    const auto until = Clock::now() + duration;
    for (auto left = duration; left.count() > 0;
         left = std::chrono::ceil<milliseconds>(until - Clock::now())) {
        Nap(left);
        Attend();
    }
}

}  // namespace platform
