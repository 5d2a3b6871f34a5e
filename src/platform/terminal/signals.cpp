#include "platform/terminal/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <exception>

#include "platform/terminal/state.h"

namespace platform::signals {

namespace {

TerminalState* g_terminal = nullptr;
volatile std::sig_atomic_t g_continued = 0;
volatile std::sig_atomic_t g_resized = 0;

int g_wake_read = -1;
volatile std::sig_atomic_t g_wake_write = -1;

// A stack overflow leaves no stack for the crash handler to run on.
alignas(16) char g_crash_stack[1 << 16];
stack_t g_found_stack;
std::terminate_handler g_found_terminate = nullptr;

enum class Kind {
    kEnd,
    kCrash,
    kSuspend,
    kForTheLoop,  // noted, for the loop to act on
};

struct Handled {
    int number;
    Kind kind;
    bool caught = false;
    struct sigaction found {};
};

// The signals that end the process by default and that a user, a limit or a
// fault may send; not SIGKILL, which cannot be caught, nor the profilers' and
// debuggers' own: SIGPROF, SIGVTALRM and SIGTRAP.
Handled g_handled[] = {
    {SIGINT, Kind::kEnd},          {SIGTERM, Kind::kEnd},     {SIGHUP, Kind::kEnd},
    {SIGQUIT, Kind::kEnd},         {SIGALRM, Kind::kEnd},     {SIGUSR1, Kind::kEnd},
    {SIGUSR2, Kind::kEnd},         {SIGPIPE, Kind::kEnd},     {SIGXCPU, Kind::kEnd},
    {SIGXFSZ, Kind::kEnd},         {SIGSYS, Kind::kEnd},      {SIGSEGV, Kind::kCrash},
    {SIGBUS, Kind::kCrash},        {SIGFPE, Kind::kCrash},    {SIGILL, Kind::kCrash},
    {SIGABRT, Kind::kCrash},       {SIGTSTP, Kind::kSuspend}, {SIGCONT, Kind::kForTheLoop},
    {SIGWINCH, Kind::kForTheLoop},
};

void PutTerminalBack() {
    if (g_terminal != nullptr) g_terminal->PutBack();
}

void Wake() {
    if (g_wake_write >= 0) (void)!::write(g_wake_write, "", 1);
}

// Lets the signal's default action happen now, with the handler out of the
// way and the signal no longer blocked.
void RaiseDefault(int signal_number) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(signal_number, &action, nullptr);
    sigset_t just_this;
    sigemptyset(&just_this);
    sigaddset(&just_this, signal_number);
    ::sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
    ::raise(signal_number);
}

void OnEnd(int signal_number) {
    const int saved_errno = errno;
    PutTerminalBack();
    RaiseDefault(signal_number);
    errno = saved_errno;
}

// Runs with the default action already back in place. A fault the kernel
// raised comes again when the instruction is retried, so the core shows where
// it happened; a sent signal is sent again.
void OnCrash(int signal_number, siginfo_t* info, void*) {
    const int saved_errno = errno;
    PutTerminalBack();
    if (info->si_code <= 0) RaiseDefault(signal_number);
    errno = saved_errno;
}

struct sigaction Action(Kind kind);

// Stops here; the loop re-enters the game's mode and repaints once the
// process goes on in the foreground.
void OnSuspend(int signal_number) {
    const int saved_errno = errno;
    PutTerminalBack();
    RaiseDefault(signal_number);
    const struct sigaction again = Action(Kind::kSuspend);
    ::sigaction(signal_number, &again, nullptr);
    g_continued = 1;
    Wake();
    errno = saved_errno;
}

void OnContinueOrResize(int signal_number) {
    const int saved_errno = errno;
    (signal_number == SIGCONT ? g_continued : g_resized) = 1;
    Wake();
    errno = saved_errno;
}

struct sigaction Action(Kind kind) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    for (const Handled& signal : g_handled) {
        if (signal.kind == Kind::kEnd) sigaddset(&action.sa_mask, signal.number);
    }
    // Started from a script, the game is not the shell's child: the shell may
    // take the terminal back as soon as the script stops or dies, before the
    // handler has put the terminal back. Blocked, SIGTTOU lets that last
    // change through instead of stopping the game once more after fg.
    sigaddset(&action.sa_mask, SIGTTOU);
    if (kind == Kind::kCrash) {
        // A crash in the handler itself finds the default action.
        action.sa_sigaction = OnCrash;
        action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_NODEFER | SA_ONSTACK;
    } else {
        action.sa_handler = kind == Kind::kEnd       ? OnEnd
                            : kind == Kind::kSuspend ? OnSuspend
                                                     : OnContinueOrResize;
    }
    return action;
}

bool WasIgnored(const struct sigaction& found) {
    return !(found.sa_flags & SA_SIGINFO) && found.sa_handler == SIG_IGN;
}

[[noreturn]] void OnTerminate() {
    PutTerminalBack();
    // The found handler says why, on a terminal that can show it.
    if (g_found_terminate != nullptr) g_found_terminate();
    std::abort();
}

void OpenWakePipe() {
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return;
    g_wake_read = ends[0];
    g_wake_write = ends[1];
}

bool TakeFlag(volatile std::sig_atomic_t& flag) {
    const bool was_set = flag != 0;
    flag = 0;
    return was_set;
}

void CloseWakePipe() {
    if (g_wake_read < 0) return;
    const int write_end = g_wake_write;
    g_wake_write = -1;
    ::close(write_end);
    ::close(g_wake_read);
    g_wake_read = -1;
}

}  // namespace

void Install(TerminalState& terminal) {
    g_terminal = &terminal;
    OpenWakePipe();
    stack_t crash_stack{};
    crash_stack.ss_sp = g_crash_stack;
    crash_stack.ss_size = sizeof g_crash_stack;
    ::sigaltstack(&crash_stack, &g_found_stack);
    for (Handled& signal : g_handled) {
        ::sigaction(signal.number, nullptr, &signal.found);
        // Ignoring SIGWINCH or SIGCONT stops nothing: the game needs them.
        signal.caught = signal.kind == Kind::kForTheLoop || !WasIgnored(signal.found);
        if (!signal.caught) continue;
        const struct sigaction action = Action(signal.kind);
        ::sigaction(signal.number, &action, nullptr);
    }
    g_found_terminate = std::set_terminate(OnTerminate);
}

void Remove() {
    std::set_terminate(g_found_terminate);
    for (Handled& signal : g_handled) {
        if (signal.caught) ::sigaction(signal.number, &signal.found, nullptr);
        signal.caught = false;
    }
    ::sigaltstack(&g_found_stack, nullptr);
    CloseWakePipe();
    g_terminal = nullptr;
}

int WakeFd() {
    return g_wake_read;
}

void DrainWake() {
    char bytes[64];
    while (g_wake_read >= 0 && ::read(g_wake_read, bytes, sizeof bytes) > 0) {
    }
}

bool TakeContinued() {
    return TakeFlag(g_continued);
}

bool TakeResized() {
    return TakeFlag(g_resized);
}

}  // namespace platform::signals
