// The one driver for the built programs: each runs on a fresh pseudo-terminal,
// where the test types, resizes, hangs up and reads every byte written.
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

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Killed with this object if it still runs. The test keeps the slave side
// open to read its termios, as the user's shell would find it.
class PtySession {
public:
    using Clock = std::chrono::steady_clock;
    // Without a controlling terminal a hang-up sends no SIGHUP: the program
    // only learns of it from its input.
    enum class Tty { kControlling, kStreamsOnly };

    // `environment` ("NAME=value") is put into the test's own.
    explicit PtySession(std::vector<std::string> command, std::vector<std::string> environment = {},
                        Tty tty = Tty::kControlling, winsize size = {32, 82, 0, 0}) {
        if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0)
            throw std::runtime_error("openpty");
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
        if (pid_ != 0) return;
        if (tty == Tty::kControlling) {
            ::login_tty(::dup(slave_));
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
    // An interactive bash with job control, prompting "$ ".
    static std::vector<std::string> Shell() { return {"/bin/bash", "--norc", "--noprofile", "-i"}; }

    ~PtySession() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        HangUp();
        ::close(slave_);
    }
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // Reads until `marker` shows up after the mark; false after `limit`.
    bool ReadUntil(std::string_view marker,
                   std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto give_up = Clock::now() + limit;
        while (output_.find(marker, mark_) == std::string::npos) {
            if (Clock::now() > give_up) return false;
            ReadSome(100);
        }
        return true;
    }
    // False once nothing more came within the timeout. After a hang-up it
    // only waits.
    bool ReadSome(int timeout_ms) {
        pollfd in{master_, POLLIN, 0};
        if (::poll(&in, 1, timeout_ms) <= 0) return false;
        char bytes[4096];
        const ssize_t got = ::read(master_, bytes, sizeof bytes);
        if (got > 0) output_.append(bytes, static_cast<std::size_t>(got));
        return got > 0;
    }
    // Everything read for `duration`, from now on.
    std::string_view ReadFor(std::chrono::milliseconds duration) {
        Mark();
        const auto end = Clock::now() + duration;
        while (Clock::now() < end) ReadSome(10);
        return SinceMark();
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
        while (ReadSome(100)) {
        }
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
    }
    termios Mode() const {
        termios now{};
        ::tcgetattr(slave_, &now);
        return now;
    }
    void Type(std::string_view bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }
    // Later reads look for their markers only in what comes after this.
    void Mark() { mark_ = output_.size(); }
    std::string_view SinceMark() const { return std::string_view(output_).substr(mark_); }

    pid_t pid() const { return pid_; }
    const termios& before() const { return before_; }
    const std::string& output() const { return output_; }

private:
    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    termios before_{};
    std::string output_;
    std::size_t mark_ = 0;
};

// After the last time the cursor was hidden, it was shown again and the
// colours reset.
inline bool CursorShownAndColoursReset(std::string_view output) {
    const std::size_t hidden = output.rfind("\x1b[?25l");
    return hidden != std::string_view::npos &&
           output.find("\x1b[?25h", hidden) != std::string_view::npos &&
           output.find("\x1b[0m", hidden) != std::string_view::npos;
}
