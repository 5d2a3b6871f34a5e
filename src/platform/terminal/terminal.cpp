#include "platform/terminal/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/keys.h"
#include "platform/terminal/signals.h"

namespace platform {

namespace {

using std::chrono::milliseconds;
using Clock = KeyDecoder::Clock;

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

bool Fits(std::pair<int, int> size) {
    return size.first >= Screen::kColumns && size.second >= Screen::kRows;
}

int MillisUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<milliseconds::rep>(left.count(), 0));
}

// A glyph whose width the terminal decides, measured on a row of its own so
// that the answer tells which it was.
struct Probe {
    int row;
    std::string_view glyph;
    LineForm form;
};

constexpr Probe kSquare{2, "■", LineForm::kUnicode};
constexpr Probe kRule{3, "━", LineForm::kUnicode};
constexpr Probe kBar{4, "┃", LineForm::kUnicode};
constexpr Probe kDecRule{5, "━", LineForm::kDecGraphics};
constexpr Probe kDecBar{6, "┃", LineForm::kDecGraphics};

std::vector<std::string> TooSmallNotice(std::pair<int, int> size) {
    const std::string has = std::to_string(size.first) + "x" + std::to_string(size.second);
    return {
        "窗口太小：需要 82x32，当前 " + has + "。",
        "Window too small: needs 82x32, has " + has + ".",
        "请放大窗口，或按 ESC 或 q 退出。",
        "Enlarge it, or press ESC or q to quit.",
    };
}

bool IsForeground(int fd) {
    const pid_t foreground = ::tcgetpgrp(fd);
    return foreground == -1 || foreground == ::getpgrp();
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
    : in_fd_(in_fd),
      out_fd_(out_fd),
      state_(in_fd, out_fd),
      encoding_(OutputEncoding::LocaleCodeset()),
      decoder_(CharsetOf(OutputEncoding::LocaleCodeset())) {
    signals::Install(state_);
    state_.EnterGameMode();
    MeasureGlyphs();
    Flush();
}

// The last screen stays in view, with the terminal put back below it.
Terminal::~Terminal() {
    if (state_.in_game_mode()) Flush();
    state_.PutBack();
    signals::Remove();
}

void Terminal::Send(std::string_view bytes) {
    if (bytes.empty()) return;
    if (encoding_.converts()) {
        WriteAll(out_fd_, encoding_.Convert(bytes));
    } else {
        WriteAll(out_fd_, bytes);
    }
}

void Terminal::Flush() {
    presenter_.Present(mutable_screen(), cursor());
    Send(presenter_.TakeBytes());
}

// The layout needs "■" and its kind to fill two columns and the box's lines
// one. The DEC line drawing set is only tried where the locale is UTF-8: a
// converter such as luit, which serves GBK locales, drops the switch to it.
void Terminal::MeasureGlyphs() {
    std::vector<Probe> probes = {kSquare, kRule, kBar};
    if (!encoding_.converts()) probes.insert(probes.end(), {kDecRule, kDecBar});
    for (const Probe& probe : probes) presenter_.ProbeWidth(probe.row, probe.glyph, probe.form);
    Send(presenter_.TakeBytes());
    const auto width = ReadWidths(probes.size());
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

// The width of each probe, by its row: how far the cursor moved, as the
// terminal reports it. Keys that arrive meanwhile stay queued; no answer
// leaves a width of 0.
std::array<int, Screen::kRows> Terminal::ReadWidths(std::size_t probes) {
    std::array<int, Screen::kRows> width{};
    const auto give_up = Clock::now() + kReplyWait;
    try {
        for (std::size_t answers = 0; answers < probes && Clock::now() < give_up;) {
            Await(decoder_, std::min(give_up, decoder_.Deadline().value_or(give_up)),
                  Reading::kPastKeys);
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

void Terminal::SetTitle(std::string_view title) {
    state_.NoteTitle(title);
    presenter_.SetTitle(title);
}

void Terminal::RequestWindowSize(int columns, int rows) {
    state_.NoteWindowSize({columns, rows}, WindowSize());
    AskForWindow();
    if (WaitForRoom()) Repaint();
}

void Terminal::AskForWindow() {
    const auto& asked = state_.changes().asked_size;
    if (!asked) return;
    presenter_.RequestWindowSize(asked->first, asked->second);
    Send(presenter_.TakeBytes());
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

// Keys other than ESC and q are for nobody meanwhile.
bool Terminal::WaitForRoom() {
    KeyDecoder keys(decoder_.charset());
    bool waited = false;
    for (auto size = WindowSize(); !Fits(size); size = WindowSize()) {
        waited = true;
        presenter_.ShowNotice(TooSmallNotice(size));
        Send(presenter_.TakeBytes());
        Await(keys, keys.Deadline());
        signals::TakeResized();
        while (keys.HasCode()) {
            const int code = keys.TakeCode();
            if (code == key::kEscape || code == 'q' || code == 'Q') throw QuitRequested();
        }
    }
    return waited;
}

void Terminal::Repaint() {
    presenter_.LoseTrack();
    Flush();
}

void Terminal::WaitForForeground() const {
    while (!IsForeground(in_fd_)) {
        pollfd wake{signals::WakeFd(), POLLIN, 0};
        ::poll(&wake, 1, static_cast<int>(kBackgroundCheck.count()));
        signals::DrainWake();
    }
}

void Terminal::CatchUp() {
    if (signals::TakeContinued()) {
        Resume();
    } else if (signals::TakeResized()) {
        if (WaitForRoom()) Interrupted();
        Repaint();
    }
}

// A process leaves the foreground only by being stopped, or by another
// taking the terminal, which stops it at its next write (TOSTOP) or read. So
// it is after a stop that the game looks where it stands: once the terminal
// is its own again it takes it back, with the title and the window size that
// leaving put back.
void Terminal::Resume() {
    presenter_.LoseTrack();
    WaitForForeground();
    signals::TakeContinued();
    state_.EnterGameMode();
    if (!state_.changes().title.empty()) presenter_.SetTitle(state_.changes().title);
    AskForWindow();
    WaitForRoom();
    Repaint();
    Interrupted();
}

// What the game has not asked for yet waits in the terminal's own input
// queue, which holds it at no cost to the game however much is typed or
// pasted: input is read only once the codes decoded are all taken.
bool Terminal::Await(KeyDecoder& decoder, std::optional<Clock::time_point> deadline,
                     Reading reading) {
    const bool read = reading == Reading::kPastKeys || !decoder.HasCode();
    pollfd fds[] = {{read ? in_fd_ : -1, POLLIN, 0}, {signals::WakeFd(), POLLIN, 0}};
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

// Codes already decoded wait to be taken. Otherwise whatever was typed is
// read; an ESC whose following bytes may still be on their way is waited
// for, and one typed earlier is a whole key now.
bool Terminal::KeyArrived() {
    CatchUp();
    if (decoder_.HasCode()) return true;
    if (!Await(decoder_, Clock::now())) CatchUp();
    while (const auto deadline = decoder_.Deadline()) {
        if (!Await(decoder_, *deadline)) CatchUp();
    }
    return decoder_.HasCode();
}

int Terminal::NextKey() {
    CatchUp();
    Flush();
    while (!decoder_.HasCode()) {
        if (!Await(decoder_, decoder_.Deadline())) CatchUp();
    }
    return decoder_.TakeCode();
}

void Terminal::Sleep(milliseconds duration) {
    CatchUp();
    Flush();
    const auto until = Clock::now() + duration;
    while (Clock::now() < until) {
        if (!Await(decoder_, until)) CatchUp();
    }
}

}  // namespace platform
