#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <csignal>
#include <string>

namespace {

constexpr std::string_view kHideCursor = "\x1b[?25l";
constexpr std::string_view kShowCursor = "\x1b[?25h";

bool SameMode(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc);
}

// The probe program on a fresh pseudo-terminal. The test keeps the slave side
// open to read its termios, as the user's shell would find it.
class ProbeOnPty {
public:
    explicit ProbeOnPty(const char* mode) {
        winsize size{32, 82, 0, 0};
        if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0)
            throw std::runtime_error("openpty");
        ::tcgetattr(slave_, &before_);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(master_);
            ::login_tty(::dup(slave_));
            ::execl(PROBE_PATH, PROBE_PATH, mode, static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~ProbeOnPty() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(master_);
        ::close(slave_);
    }

    // Reads what the probe wrote until `marker` shows up or 5 s pass.
    bool ReadUntil(std::string_view marker) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (output_.find(marker) == std::string::npos) {
            if (std::chrono::steady_clock::now() > give_up) return false;
            ReadSome(100);
        }
        return true;
    }
    // False once nothing more came within the timeout.
    bool ReadSome(int timeout_ms) {
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

class TerminalRestore : public ::testing::TestWithParam<int> {};

TEST_P(TerminalRestore, AFatalSignalLeavesTheTerminalAsItWas) {
    const int signal_number = GetParam();
    ProbeOnPty probe("wait");
    ASSERT_TRUE(probe.ReadUntil(kHideCursor));
    EXPECT_FALSE(probe.Mode().c_lflag & ICANON) << "the probe is in raw mode";

    ::kill(probe.pid(), signal_number);
    const int status = probe.Wait();
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), signal_number) << "the signal is re-raised, not swallowed";
    EXPECT_TRUE(SameMode(probe.Mode(), probe.before()));
    const std::string& output = probe.output();
    EXPECT_GT(output.rfind(kShowCursor), output.rfind(kHideCursor));
    EXPECT_NE(output.find("\x1b[0m", output.rfind(kHideCursor)), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalRestore, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGTERM ? "Term" : "Int"; });

TEST(TerminalLineRead, ReadsAnEchoedReplyAndRestoresOnReturn) {
    ProbeOnPty probe("number");
    ASSERT_TRUE(probe.ReadUntil(kShowCursor)) << "the cursor shows while the reply is typed";
    probe.Type("\n  42abc\n");
    const int status = probe.Wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42);
    EXPECT_NE(probe.output().find("42abc"), std::string::npos) << "the terminal echoed it";
    EXPECT_TRUE(SameMode(probe.Mode(), probe.before()));
    EXPECT_NE(probe.output().find("\x1b[32;1H\r"), std::string::npos)
        << "the prompt comes below the game's last row";
}

}  // namespace
