#include "platform/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/terminal_signals.h"
#include "platform/text.h"

namespace platform {

namespace {

using std::chrono::milliseconds;
using Clock = KeyDecoder::Clock;

// Long enough for a terminal across ssh to answer a cursor position query.
constexpr milliseconds kReplyWait{500};
// How long a terminal that honours the window size request may take.
constexpr milliseconds kResizeWait{250};
constexpr milliseconds kBackgroundCheck{100};
constexpr int kEscape = 27;

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

bool Fits(std::pair<int, int> size) {
    return size.first >= Screen::kColumns && size.second >= Screen::kRows;
}

int MillisUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<milliseconds::rep>(left.count(), 0));
}

constexpr Terminal::Probe kSquare{2, "■"};
constexpr Terminal::Probe kRule{3, "━"};
constexpr Terminal::Probe kBar{4, "┃"};
constexpr Terminal::Probe kDecRule{5, "\x1b(0q\x1b(B"};
constexpr Terminal::Probe kDecBar{6, "\x1b(0x\x1b(B"};

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
    signals::Install(saved_, in_fd_, out_fd_, VtPresenter::RestoreBytes(changes_));
    active_ = true;
    EnterGameMode();
    MeasureGlyphs();
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
    WriteAll(out_fd_, VtPresenter::RestoreBytes(changes_));
    SetMode(saved_);
    signals::Remove();
}

void Terminal::EnterGameMode() {
    SetMode(raw_);
    signals::SetRawActive(true);
}

void Terminal::SetMode(const termios& mode) {
    ::tcsetattr(in_fd_, TCSADRAIN, &mode);
}

void Terminal::Send(std::string_view bytes) {
    if (bytes.empty()) return;
    WriteAll(out_fd_, encoding_.converts() ? encoding_.Convert(bytes) : std::string(bytes));
}

void Terminal::Flush() {
    presenter_.Frame(mutable_screen(), !cursor_hidden(), cursor_column(), cursor_row());
    Send(presenter_.bytes());
    presenter_.ClearBytes();
}

// Writes each glyph at a known cell and asks where the cursor went; the
// width of each, by the row of its probe. Keys that arrive meanwhile stay
// queued; no answer leaves a width of 0.
std::array<int, Screen::kRows> Terminal::MeasureWidths(const std::vector<Probe>& probes) {
    std::string bytes;
    for (const Probe& probe : probes) {
        bytes += "\x1b[" + std::to_string(probe.row + 1) + "H";
        bytes += probe.bytes;
        bytes += "\x1b[6n";
    }
    Send(bytes);
    std::array<int, Screen::kRows> width{};
    const auto give_up = Clock::now() + kReplyWait;
    try {
        for (std::size_t answers = 0; answers < probes.size() && Clock::now() < give_up;) {
            Await(decoder_, std::min(give_up, decoder_.Deadline().value_or(give_up)));
            while (const auto report = decoder_.TakeCursorReport()) {
                if (report->first >= 1 && report->first <= Screen::kRows) {
                    width[static_cast<std::size_t>(report->first - 1)] = report->second - 1;
                }
                ++answers;
            }
        }
    } catch (const InputClosed&) {
        // The game's first read will find the terminal gone, and end.
    }
    return width;
}

// The layout needs "■" and its kind to fill two columns and the box's lines
// one. The DEC line drawing set is only tried where the locale is UTF-8: a
// converter such as luit, which serves GBK locales, drops the switch to it.
void Terminal::MeasureGlyphs() {
    std::vector<Probe> probes = {kSquare, kRule, kBar};
    if (!encoding_.converts()) probes.insert(probes.end(), {kDecRule, kDecBar});
    const auto width = MeasureWidths(probes);
    const auto narrow = [&width](const Probe& rule, const Probe& bar) {
        return width[rule.row] <= 1 && width[bar.row] <= 1;
    };
    presenter_.SetAmbiguousWide(width[kSquare.row] == 2);
    if (narrow(kRule, kBar)) {
        presenter_.SetLineForm(LineForm::kUnicode);
    } else if (!encoding_.converts() && width[kDecRule.row] == 1 && width[kDecBar.row] == 1) {
        presenter_.SetLineForm(LineForm::kDecGraphics);
    } else {
        presenter_.SetLineForm(LineForm::kAscii);
    }
}

void Terminal::Clear() {
    ScreenConsole::Clear();
    pause_pending_ = false;
}

// What a signal's emergency restore puts back follows what the game changed.
void Terminal::NoteChanges() {
    signals::UpdateRestoreBytes(VtPresenter::RestoreBytes(changes_));
}

void Terminal::SetTitle(std::string_view title) {
    title_ = title;
    presenter_.SetTitle(title);
    changes_.title_pushed = true;
    NoteChanges();
}

void Terminal::RequestWindowSize(int columns, int rows) {
    requested_size_ = {columns, rows};
    if (!changes_.found_size) changes_.found_size = WindowSize();
    NoteChanges();
    AskForWindow();
    if (WaitForRoom()) Repaint();
}

// Asks for the game's window and gives the terminal a moment to grant it.
void Terminal::AskForWindow() {
    if (!requested_size_) return;
    presenter_.RequestWindowSize(requested_size_->first, requested_size_->second);
    Flush();
    const auto give_up = Clock::now() + kResizeWait;
    while (!Fits(WindowSize()) && Clock::now() < give_up) {
        Await(decoder_, std::min(give_up, Clock::now() + milliseconds(25)));
    }
    signals::TakeResized();
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
    std::string bytes = "\x1b(B\x1b[0m" + std::string(VtPresenter::kClearToBlack);
    for (int row = 0; row < 4; ++row) {
        bytes += "\x1b[" + std::to_string(row + 1) + "H" + lines[row];
    }
    presenter_.Raw(bytes);
    Send(presenter_.bytes());
    presenter_.ClearBytes();
}

// Blocks until the window is big enough; keys other than ESC and q are for
// nobody meanwhile.
bool Terminal::WaitForRoom() {
    KeyDecoder keys;
    bool waited = false;
    for (auto size = WindowSize(); !Fits(size); size = WindowSize()) {
        waited = true;
        ShowTooSmall(size);
        Await(keys, keys.Deadline());
        signals::TakeResized();
        while (keys.HasCode()) {
            const int code = keys.TakeCode();
            if (code == kEscape || code == 'q' || code == 'Q') throw QuitRequested();
        }
    }
    return waited;
}

void Terminal::Repaint() {
    presenter_.Forget();
    Flush();
}

bool Terminal::IsForeground() const {
    const pid_t foreground = ::tcgetpgrp(in_fd_);
    return foreground == -1 || foreground == group_;
}

void Terminal::WaitForForeground() const {
    while (!IsForeground()) {
        pollfd wake{signals::WakeFd(), POLLIN, 0};
        ::poll(&wake, 1, static_cast<int>(kBackgroundCheck.count()));
        signals::DrainWake();
    }
}

void Terminal::Attend() {
    if (signals::TakeContinued() || !IsForeground()) stopped_ = true;
    if (stopped_) {
        WaitForForeground();
        stopped_ = false;
        EnterGameMode();
        // Leaving put the title and the window size back.
        if (!title_.empty()) presenter_.SetTitle(title_);
        AskForWindow();
        WaitForRoom();
        Repaint();
        pause_pending_ = true;
    } else if (signals::TakeResized()) {
        if (WaitForRoom()) pause_pending_ = true;
        Repaint();
    }
}

bool Terminal::Await(KeyDecoder& decoder, std::optional<Clock::time_point> deadline) {
    pollfd fds[] = {{in_fd_, POLLIN, 0}, {signals::WakeFd(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, deadline ? MillisUntil(*deadline) : -1);
    if (ready < 0) {
        if (errno == EINTR) return false;
        throw InputClosed();
    }
    if (fds[1].revents != 0) {
        signals::DrainWake();
        return false;
    }
    if (fds[0].revents != 0) {
        char bytes[256];
        const ssize_t got = ::read(in_fd_, bytes, sizeof bytes);
        if (got > 0) {
            decoder.Feed(std::string_view(bytes, static_cast<std::size_t>(got)), Clock::now());
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
            throw InputClosed();
        }
    }
    decoder.Expire(Clock::now());
    return true;
}

// Whatever was typed is read first. An ESC whose following bytes may still be
// on their way is waited for; one typed earlier is a whole key now.
bool Terminal::KeyWaiting() {
    Attend();
    Await(decoder_, Clock::now());
    while (const auto deadline = decoder_.Deadline()) {
        if (!Await(decoder_, *deadline)) Attend();
    }
    if (pause_pending_) {
        pause_pending_ = false;
        deliver_escape_ = true;
        return true;
    }
    return decoder_.HasCode();
}

int Terminal::NextCode() {
    Attend();
    Flush();
    while (!decoder_.HasCode()) {
        if (!Await(decoder_, decoder_.Deadline())) Attend();
    }
    return decoder_.TakeCode();
}

int Terminal::ReadKey() {
    if (std::exchange(deliver_escape_, false)) return kEscape;
    const int code = NextCode();
    // A blocking read is a menu's: the player is choosing already.
    pause_pending_ = false;
    return code;
}

int Terminal::ReadInt() {
    const int reply = EditReply([this] { return NextCode(); });
    pause_pending_ = false;
    return reply;
}

void Terminal::Sleep(milliseconds duration) {
    Attend();
    Flush();
    const auto until = Clock::now() + duration;
    while (Clock::now() < until) {
        if (!Await(decoder_, until)) Attend();
    }
}

}  // namespace platform
