// The one driver for the built programs: each runs on a fresh pseudo-terminal,
// where the test types, resizes, hangs up and stops it, and a terminal
// emulator reads every byte written and answers as a terminal does.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "terminal_screen.h"

// Killed with this object if it still runs. The test keeps the slave side
// open to read its termios, as the user's shell would find it.
class PtySession {
public:
    using Clock = std::chrono::steady_clock;
    // Without a controlling terminal a hang-up sends no SIGHUP: the program
    // only learns of it from its input. As a job, the program runs in a
    // process group of its own under a stand-in for a shell with job control,
    // which takes the terminal back when the program stops, leaving its modes
    // as the program left them, and hands it over again on Foreground().
    enum class Tty { kControlling, kStreamsOnly, kJob };

    // `environment` ("NAME=value") is put into the test's own.
    explicit PtySession(std::vector<std::string> command, std::vector<std::string> environment = {},
                        Tty tty = Tty::kControlling, winsize size = {32, 82, 0, 0})
        : screen_(size.ws_col, size.ws_row) {
        int job_control[2];
        if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0 ||
            ::pipe2(job_control, O_CLOEXEC) != 0)
            throw std::runtime_error("openpty");
        job_control_ = job_control[1];
        // Another session's program must not hold this master open: closing
        // it is how a test hangs up.
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
        ::tcgetattr(slave_, &before_);
        std::vector<char*> argv;
        argv.reserve(command.size() + 1);
        for (std::string& word : command) argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ != 0) {
            ::close(job_control[0]);
            return;
        }
        if (tty != Tty::kStreamsOnly) {
            ::login_tty(::dup(slave_));
            if (tty == Tty::kJob) RunAsJob(job_control[0]);
        } else {
            ::setsid();
            for (int fd = 0; fd < 3; ++fd) ::dup2(slave_, fd);
        }
        // As a terminal emulator starts its shell: whatever the test runner
        // ignored or blocked, the program finds every signal as the system
        // sets it.
        for (int signal = 1; signal < NSIG; ++signal) ::signal(signal, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (std::string& setting : environment) ::putenv(setting.data());
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ~PtySession() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        HangUp();
        ::close(slave_);
        ::close(job_control_);
    }
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // Reads until `done` holds; false after 20 s.
    bool ReadUntil(const std::function<bool()>& done) {
        const auto give_up = Clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (Clock::now() > give_up) return false;
            ReadSome(100);
        }
        return true;
    }
    // Until `marker` is written, or the terminal shows `text`.
    bool ReadUntil(std::string_view marker) {
        return ReadUntil([&] { return output_.find(marker) != std::string::npos; });
    }
    bool ReadUntilShown(std::string_view text) {
        return ReadUntil([&] { return screen_.Shows(text); });
    }
    // False once nothing more came within the timeout. After a hang-up it
    // only waits.
    bool ReadSome(int timeout_ms) {
        pollfd in{master_, POLLIN, 0};
        if (::poll(&in, 1, timeout_ms) <= 0) return false;
        char bytes[4096];
        const ssize_t got = ::read(master_, bytes, sizeof bytes);
        if (got <= 0) return false;
        output_.append(bytes, static_cast<std::size_t>(got));
        Type(screen_.Feed({bytes, static_cast<std::size_t>(got)}));
        return true;
    }
    // Reads until nothing more comes for a moment.
    void ReadAll() {
        while (ReadSome(200)) continue;
    }
    void ReadFor(std::chrono::milliseconds duration) {
        for (const auto end = Clock::now() + duration; Clock::now() < end;) ReadSome(10);
    }
    // The exit status, if the program ends within `limit`; its output is read
    // meanwhile, so that it cannot block on a full terminal.
    std::optional<int> Wait(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto give_up = Clock::now() + limit;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > give_up) return std::nullopt;
            ReadSome(10);
        }
        pid_ = -1;
        ReadAll();
        return status;
    }
    // Closes the master side, as a terminal emulator that is closed does.
    void HangUp() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }
    // As a terminal window resized; the kernel tells the foreground job.
    void Resize(unsigned short columns, unsigned short rows) {
        const winsize size{rows, columns, 0, 0};
        ::ioctl(master_, TIOCSWINSZ, &size);
        screen_.Resize(columns, rows);
    }
    // A job's program: stopped (as by Ctrl+Z, once the terminal is back with
    // the stand-in), continued in the foreground, or in the background.
    bool Stopped() const {
        std::string stat;
        std::getline(std::ifstream("/proc/" + std::to_string(JobPid()) + "/stat"), stat);
        return stat.size() > stat.rfind(')') + 2 && stat[stat.rfind(')') + 2] == 'T';
    }
    void StopJob() { ::kill(JobPid(), SIGSTOP); }
    void Foreground() { (void)!::write(job_control_, "f", 1); }
    void Background() { (void)!::write(job_control_, "b", 1); }
    termios Mode() const {
        termios now{};
        ::tcgetattr(slave_, &now);
        return now;
    }
    void Type(std::string_view bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }
    // Types `bytes` for `limit`, reading meanwhile, as much as the terminal
    // takes.
    void Paste(std::string_view bytes, std::chrono::milliseconds limit) {
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        for (const auto end = Clock::now() + limit; !bytes.empty() && Clock::now() < end;) {
            const ssize_t written = ::write(master_, bytes.data(), bytes.size());
            if (written > 0) bytes.remove_prefix(static_cast<std::size_t>(written));
            ReadSome(written > 0 ? 0 : 10);
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) & ~O_NONBLOCK);
    }
    pid_t pid() const { return pid_; }
    TerminalScreen& screen() { return screen_; }
    const termios& before() const { return before_; }
    const std::string& output() const { return output_; }

private:
    // Returns in the job; the stand-in for a shell stays here and takes the
    // job's exit status for its own, 128 plus the signal when one ended it.
    static void RunAsJob(int job_control) {
        ::signal(SIGTTOU, SIG_IGN);
        const pid_t job = ::fork();
        if (job == 0) {
            ::setpgid(0, 0);
            ::tcsetpgrp(STDIN_FILENO, ::getpid());
            return;
        }
        ::setpgid(job, job);
        ::tcsetpgrp(STDIN_FILENO, job);
        for (int status = 0; ::waitpid(job, &status, WUNTRACED) == job;) {
            if (!WIFSTOPPED(status))
                ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
            ::tcsetpgrp(STDIN_FILENO, ::getpgrp());
            for (char order = 'b'; order == 'b' && ::read(job_control, &order, 1) == 1;) {
                if (order == 'f') ::tcsetpgrp(STDIN_FILENO, job);
                ::kill(-job, SIGCONT);
            }
        }
        ::_exit(127);
    }
    pid_t JobPid() const {
        pid_t child = 0;
        std::ifstream("/proc/" + std::to_string(pid_) + "/task/" + std::to_string(pid_) +
                      "/children") >>
            child;
        return child;
    }

    TerminalScreen screen_;
    int job_control_ = -1;
    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    termios before_{};
    std::string output_;
};

// What is wrong with the terminal as a shell finds it after the program:
// nothing when its modes are as they were found and it shows the cursor and
// plain text under the title it had.
inline std::string NotPutBack(PtySession& session) {
    session.ReadAll();
    const termios now = session.Mode();
    const termios& before = session.before();
    std::string wrong;
    if (now.c_iflag != before.c_iflag || now.c_oflag != before.c_oflag ||
        now.c_lflag != before.c_lflag || !std::equal(now.c_cc, now.c_cc + NCCS, before.c_cc))
        wrong += " mode";
    if (!session.screen().cursor_shown()) wrong += " cursor hidden";
    if (!session.screen().title().empty()) wrong += " title " + session.screen().title();
    if (!session.screen().TakesPlainText()) wrong += " text not plain";
    return wrong;
}
