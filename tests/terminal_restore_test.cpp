#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "pty_session.h"

namespace {

constexpr std::string_view kHideCursor = "\x1b[?25l";
constexpr std::string_view kShowCursor = "\x1b[?25h";

bool SameMode(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc);
}

class TerminalRestore : public ::testing::TestWithParam<int> {};

TEST_P(TerminalRestore, AFatalSignalLeavesTheTerminalAsItWas) {
    const int signal_number = GetParam();
    PtySession probe({PROBE_PATH, "wait"});
    ASSERT_TRUE(probe.ReadUntil(kHideCursor));
    ASSERT_FALSE(probe.Mode().c_lflag & ICANON) << "the probe is in raw mode";

    ::kill(probe.pid(), signal_number);
    const std::optional<int> status = probe.Wait();
    ASSERT_TRUE(status && WIFSIGNALED(*status)) << status.value_or(-1);
    EXPECT_EQ(WTERMSIG(*status), signal_number) << "the signal is re-raised, not swallowed";
    EXPECT_TRUE(SameMode(probe.Mode(), probe.before()));
    const std::string& output = probe.output();
    const std::size_t hidden = output.rfind(kHideCursor);
    EXPECT_NE(output.find(kShowCursor, hidden), std::string::npos);
    EXPECT_NE(output.find("\x1b[0m", hidden), std::string::npos) << "colours reset";
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalRestore, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGTERM ? "Term" : "Int"; });

TEST(TerminalLineRead, ReadsAnEchoedReplyAndRestoresOnReturn) {
    PtySession probe({PROBE_PATH, "number"});
    ASSERT_TRUE(probe.ReadUntil(kShowCursor)) << "the cursor shows while the reply is typed";
    probe.Type("\n  42abc\n");
    const std::optional<int> status = probe.Wait();
    ASSERT_TRUE(status && WIFEXITED(*status)) << status.value_or(-1);
    EXPECT_EQ(WEXITSTATUS(*status), 42);
    EXPECT_NE(probe.output().find("42abc"), std::string::npos) << "the terminal echoed it";
    EXPECT_TRUE(SameMode(probe.Mode(), probe.before()));
    EXPECT_NE(probe.output().find("\x1b[32;1H\r"), std::string::npos)
        << "the prompt comes below the game's last row";
}

}  // namespace
