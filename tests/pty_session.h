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
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

// The test's environment with `settings` ("NAME=value") put in, for execve;
// it points into `settings`.
inline std::vector<char*> EnvironmentWith(std::vector<std::string>& settings) {
    std::vector<char*> envp;
    for (std::string& setting : settings) envp.push_back(setting.data());
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view entry_text(*entry);
        const std::string name(entry_text.substr(0, entry_text.find('=') + 1));
        bool replaced = false;
        for (const std::string& setting : settings)
            replaced = replaced || setting.starts_with(name);
        if (!replaced) envp.push_back(*entry);
    }
    envp.push_back(nullptr);
    return envp;
}

// A program on a fresh 82 x 32 pseudo-terminal, killed with this object if it
// still runs. The test keeps the slave side open to read its termios, as the
// user's shell would find it.
class PtySession {
public:
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
        std::vector<char*> envp = EnvironmentWith(environment);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (tty == Tty::kControlling) {
                ::login_tty(::dup(slave_));
            } else {
                ::setsid();
                for (int fd = 0; fd < 3; ++fd) ::dup2(slave_, fd);
            }
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
    }
    ~PtySession() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        HangUp();
        ::close(slave_);
    }
    PtySession(const PtySession&) = delete;
    PtySession& operator=(const PtySession&) = delete;

    // Reads what the program wrote until `marker` shows up; false after `limit`.
    bool ReadUntil(std::string_view marker,
                   std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        const auto give_up = std::chrono::steady_clock::now() + limit;
        while (output_.find(marker) == std::string::npos) {
            if (std::chrono::steady_clock::now() > give_up) return false;
            ReadSome(100);
        }
        return true;
    }
    // False once nothing more came within the timeout.
    bool ReadSome(int timeout_ms) {
        if (master_ < 0) return false;
        pollfd in{master_, POLLIN, 0};
        if (::poll(&in, 1, timeout_ms) <= 0) return false;
        char bytes[4096];
        const ssize_t got = ::read(master_, bytes, sizeof bytes);
        if (got > 0) output_.append(bytes, static_cast<std::size_t>(got));
        return got > 0;
    }
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        while (ReadSome(100)) {
        }
        return status;
    }
    // The exit status, if the program ends within `limit`.
    std::optional<int> WaitAtMost(std::chrono::milliseconds limit) {
        const auto give_up = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > give_up) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
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
