#include "platform/terminal.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/text.h"

namespace platform {

namespace {

// What the signal handler needs to put the terminal back. Only one terminal
// is ever active; the handler reads these and nothing else.
termios g_saved_mode;
int g_in_fd = -1;
int g_out_fd = -1;
volatile std::sig_atomic_t g_restore_pending = 0;

constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

// Runs inside a signal handler: async-signal-safe calls only.
void EmergencyRestore(int signal_number) {
    const int saved_errno = errno;
    if (g_restore_pending) {
        g_restore_pending = 0;
        const std::string_view restore = VtWriter::RestoreSequence();
        WriteAll(g_out_fd, restore.data(), restore.size());
        ::tcsetattr(g_in_fd, TCSADRAIN, &g_saved_mode);
    }
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    ::sigaction(signal_number, &default_action, nullptr);
    sigset_t just_this;
    sigemptyset(&just_this);
    sigaddset(&just_this, signal_number);
    ::sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
    ::raise(signal_number);
    errno = saved_errno;
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = EmergencyRestore;
    sigemptyset(&action.sa_mask);
    for (int signal_number : kFatalSignals) sigaddset(&action.sa_mask, signal_number);
    for (int signal_number : kFatalSignals) ::sigaction(signal_number, &action, nullptr);
}

void RemoveSignalHandlers() {
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    for (int signal_number : kFatalSignals) ::sigaction(signal_number, &default_action, nullptr);
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

Terminal::Terminal(int in_fd, int out_fd) : in_fd_(in_fd), out_fd_(out_fd) {
    ::tcgetattr(in_fd_, &saved_);
    raw_ = RawMode(saved_);
    g_saved_mode = saved_;
    g_in_fd = in_fd_;
    g_out_fd = out_fd_;
    InstallSignalHandlers();
    g_restore_pending = 1;
    active_ = true;
    SetMode(raw_);
    writer_.Begin();
    Flush();
}

Terminal::~Terminal() {
    Restore();
}

void Terminal::Restore() {
    if (!active_) return;
    active_ = false;
    Flush();
    g_restore_pending = 0;
    const std::string_view restore = VtWriter::RestoreSequence();
    WriteAll(out_fd_, restore.data(), restore.size());
    SetMode(saved_);
    RemoveSignalHandlers();
}

void Terminal::SetMode(const termios& mode) {
    ::tcsetattr(in_fd_, TCSADRAIN, &mode);
}

void Terminal::Flush() {
    const std::string& bytes = writer_.buffer();
    if (bytes.empty()) return;
    WriteAll(out_fd_, bytes.data(), bytes.size());
    writer_.ClearBuffer();
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
    writer_.HideCursor();
}

void Terminal::SetTitle(std::string_view title) {
    writer_.SetTitle(title);
}

void Terminal::RequestWindowSize(int columns, int rows) {
    writer_.RequestWindowSize(columns, rows);
}

int Terminal::PumpTimeout() const {
    const auto deadline = decoder_.Deadline();
    if (!deadline) return -1;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - KeyDecoder::Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void Terminal::Pump(int timeout_ms) {
    pollfd input{in_fd_, POLLIN, 0};
    const int ready = ::poll(&input, 1, timeout_ms);
    if (ready > 0) {
        char bytes[256];
        const ssize_t got = ::read(in_fd_, bytes, sizeof bytes);
        if (got > 0) {
            decoder_.Feed(std::string_view(bytes, static_cast<std::size_t>(got)),
                          KeyDecoder::Clock::now());
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
            throw InputClosed();
        }
    }
    decoder_.Expire(KeyDecoder::Clock::now());
}

bool Terminal::KeyWaiting() {
    if (!decoder_.HasCode()) Pump(0);
    return decoder_.HasCode();
}

int Terminal::ReadKey() {
    Flush();
    while (!decoder_.HasCode()) Pump(PumpTimeout());
    return decoder_.TakeCode();
}

std::optional<std::string> Terminal::ReadLine() {
    std::string line;
    char byte = 0;
    while (true) {
        const ssize_t got = ::read(in_fd_, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
        if (byte == '\n') return line;
        line += byte;
    }
}

int Terminal::ReadInt() {
    writer_.ShowCursor();
    Flush();
    SetMode(LineMode(raw_));
    // Like formatted extraction, a reply of only white space is no reply.
    std::optional<std::string> line;
    do {
        line = ReadLine();
    } while (line && IsBlank(*line));
    SetMode(raw_);
    const std::string reply = line.value_or("");
    // The terminal echoed the reply and moved to the next line by itself.
    record_.Put(column_, row_, reply, attribute_);
    writer_.ForgetCursor();
    writer_.HideCursor();
    return ParseLeadingInt(reply);
}

void Terminal::Sleep(std::chrono::milliseconds duration) {
    Flush();
    std::this_thread::sleep_for(duration);
}

std::time_t Terminal::CalendarTime() {
    return std::time(nullptr);
}

void Terminal::SeedRandom(unsigned seed) {
    std::srand(seed);
}

int Terminal::Random() {
    return std::rand();
}

}  // namespace platform
