#include "platform/terminal_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>

namespace platform::signals {

namespace {

termios g_saved_mode;
int g_in_fd = -1;
int g_out_fd = -1;
volatile std::sig_atomic_t g_raw_active = 0;
volatile std::sig_atomic_t g_continued = 0;
volatile std::sig_atomic_t g_resized = 0;
char g_restore_bytes[256];
std::size_t g_restore_size = 0;
int g_wake[2] = {-1, -1};

constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kAllSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT, SIGWINCH};

// Async-signal-safe: write and tcsetattr only.
void PutTerminalBack() {
    if (!g_raw_active) return;
    g_raw_active = 0;
    const char* data = g_restore_bytes;
    std::size_t left = g_restore_size;
    while (left > 0) {
        const ssize_t written = ::write(g_out_fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    ::tcsetattr(g_in_fd, TCSADRAIN, &g_saved_mode);
}

void Wake() {
    const char byte = 0;
    (void)!::write(g_wake[1], &byte, 1);
}

void SetHandler(int signal_number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int blocked : kFatalSignals) sigaddset(&action.sa_mask, blocked);
    ::sigaction(signal_number, &action, nullptr);
}

// Lets the signal's default action happen now, with the handler out of the
// way and the signal no longer blocked.
void RaiseDefault(int signal_number) {
    SetHandler(signal_number, SIG_DFL);
    sigset_t just_this;
    sigemptyset(&just_this);
    sigaddset(&just_this, signal_number);
    ::sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
    ::raise(signal_number);
}

void OnFatal(int signal_number) {
    const int saved_errno = errno;
    PutTerminalBack();
    RaiseDefault(signal_number);
    errno = saved_errno;
}

// Stops here; the loop re-enters the game's mode and repaints once the
// process goes on in the foreground.
void OnSuspend(int signal_number) {
    const int saved_errno = errno;
    PutTerminalBack();
    RaiseDefault(signal_number);
    SetHandler(SIGTSTP, OnSuspend);
    g_continued = 1;
    Wake();
    errno = saved_errno;
}

void OnContinue(int) {
    const int saved_errno = errno;
    g_continued = 1;
    Wake();
    errno = saved_errno;
}

void OnResize(int) {
    const int saved_errno = errno;
    g_resized = 1;
    Wake();
    errno = saved_errno;
}

}  // namespace

void Install(const termios& saved, int in_fd, int out_fd, std::string_view restore_bytes) {
    g_restore_size = std::min(restore_bytes.size(), sizeof g_restore_bytes);
    std::memcpy(g_restore_bytes, restore_bytes.data(), g_restore_size);
    if (g_wake[0] < 0 && ::pipe(g_wake) == 0) {
        for (int fd : g_wake) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    g_saved_mode = saved;
    g_in_fd = in_fd;
    g_out_fd = out_fd;
    for (int signal_number : kFatalSignals) SetHandler(signal_number, OnFatal);
    SetHandler(SIGTSTP, OnSuspend);
    SetHandler(SIGCONT, OnContinue);
    SetHandler(SIGWINCH, OnResize);
}

void Remove() {
    for (int signal_number : kAllSignals) SetHandler(signal_number, SIG_DFL);
}

void SetRawActive(bool active) {
    g_raw_active = active ? 1 : 0;
}

bool TakeContinued() {
    if (!g_continued) return false;
    g_continued = 0;
    return true;
}

int WakeFd() {
    return g_wake[0];
}

void DrainWake() {
    char bytes[64];
    while (::read(g_wake[0], bytes, sizeof bytes) > 0) {
    }
}

bool TakeResized() {
    if (!g_resized) return false;
    g_resized = 0;
    return true;
}

}  // namespace platform::signals
