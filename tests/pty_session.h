#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A program on a fresh 82 x 32 pseudo-terminal, killed with this object if it
// still runs. The test keeps the slave side open to read its termios, as the
// user's shell would find it.
class PtySession {
public:
    using Clock = std::chrono::steady_clock;
    // Without a controlling terminal a hang-up sends no SIGHUP: the program
    // only learns of it from its input.
    enum class Tty { kControlling, kStreamsOnly };

    // `environment` ("NAME=value") is put into the test's own.
    explicit PtySession(std::vector<std::string> command, std::vector<std::string> environment = {},
                        Tty tty = Tty::kControlling) {
        winsize size{32, 82, 0, 0};
        if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0)
            throw std::runtime_error("openpty");
        // Another session's program must not hold this master open: closing
        // it is how a test hangs up.
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
        ::tcgetattr(slave_, &before_);
        std::vector<char*> argv;
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
    }
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // Reads what the program writes until `marker` shows up; false after `limit`.
    bool ReadUntil(std::string_view marker,
                   std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto give_up = Clock::now() + limit;
        while (output_.find(marker) == std::string::npos) {
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
    termios Mode() const {
        termios now{};
        ::tcgetattr(slave_, &now);
        return now;
    }
    void Type(std::string_view bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }

    pid_t pid() const { return pid_; }
    const termios& before() const { return before_; }
    const std::string& output() const { return output_; }

private:
    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    termios before_{};
    std::string output_;
};
