#include <gtest/gtest.h>

#include <string>
#include <system_error>

#include "platform/terminal/terminal.h"
#include "pty_session.h"

namespace {

constexpr std::string_view kHideCursor = "\x1b[?25l";

bool Raw(const PtySession& probe) {
    return !(probe.Mode().c_lflag & ICANON);
}

struct Ending {
    const char* name;
    const char* mode;  // of the probe
    int sent;          // the signal the test sends, or 0
    int signal;        // the one that ends the probe
};

class TerminalRestore : public ::testing::TestWithParam<Ending> {};

TEST_P(TerminalRestore, TheTerminalComesBackAndTheSignalStillEndsTheProcess) {
    const Ending& ending = GetParam();
    PtySession probe({PROBE_PATH, ending.mode}, {"TERM=xterm"});
    if (ending.sent != 0) {
        ASSERT_TRUE(probe.ReadUntil(kHideCursor));
        ASSERT_TRUE(Raw(probe));
        ::kill(probe.pid(), ending.sent);
    }
    const std::optional<int> status = probe.Wait();
    ASSERT_TRUE(status && WIFSIGNALED(*status)) << status.value_or(-1);
    EXPECT_EQ(WTERMSIG(*status), ending.signal) << "the signal is re-raised, not swallowed";
    EXPECT_EQ(NotPutBack(probe), "");
}

INSTANTIATE_TEST_SUITE_P(Endings, TerminalRestore,
                         ::testing::Values(Ending{"Term", "wait", SIGTERM, SIGTERM},
                                           Ending{"Int", "wait", SIGINT, SIGINT},
                                           Ending{"Hup", "wait", SIGHUP, SIGHUP},
                                           Ending{"Quit", "wait", SIGQUIT, SIGQUIT},
                                           Ending{"Usr1", "wait", SIGUSR1, SIGUSR1},
                                           Ending{"Segv", "wait", SIGSEGV, SIGSEGV},
                                           Ending{"Bus", "wait", SIGBUS, SIGBUS},
                                           Ending{"Fpe", "wait", SIGFPE, SIGFPE},
                                           Ending{"Ill", "wait", SIGILL, SIGILL},
                                           Ending{"Abrt", "wait", SIGABRT, SIGABRT},
                                           Ending{"StackOverflow", "overflow", 0, SIGSEGV},
                                           Ending{"Terminate", "terminate", 0, SIGABRT}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TerminalEscape, AnExceptionOutOfTheGameIsOneLineAfterTheTerminalComesBack) {
    PtySession probe({PROBE_PATH, "throw"}, {"TERM=xterm"});
    const std::optional<int> status = probe.Wait();
    ASSERT_TRUE(status && WIFEXITED(*status)) << status.value_or(-1);
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    EXPECT_EQ(NotPutBack(probe), "");
    const std::string& output = probe.output();
    const std::string line = "wendlecrux-snake: the probe gave up on purpose\r\n";
    EXPECT_TRUE(output.ends_with(line)) << "last, on the restored terminal: " << output;
    EXPECT_EQ(output.find("wendlecrux-snake: "), output.size() - line.size()) << "said once";
}

// Where the terminal's mode cannot be read, nothing is changed: no byte
// written, no handler left behind.
TEST(TerminalStart, AModeThatCannotBeReadChangesNothing) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_THROW(platform::Terminal(ends[0], ends[1]), std::system_error);
    struct sigaction found {};
    ::sigaction(SIGTSTP, nullptr, &found);
    EXPECT_EQ(found.sa_handler, SIG_DFL);
    ::close(ends[1]);
    char byte = 0;
    EXPECT_EQ(::read(ends[0], &byte, 1), 0) << "nothing written";
    ::close(ends[0]);
}

// As nohup, or a shell without job control for a background job, leaves them.
TEST(TerminalIgnoredSignals, StayIgnoredAndTheGameEndsNormally) {
    for (const auto& [name, number] : {std::pair{"HUP", SIGHUP}, std::pair{"INT", SIGINT}}) {
        SCOPED_TRACE(name);
        PtySession probe(
            {"/bin/sh", "-c", std::string("trap '' ") + name + "; exec " PROBE_PATH " wait"},
            {"TERM=xterm"});
        ASSERT_TRUE(probe.ReadUntil(kHideCursor));
        ::kill(probe.pid(), number);
        // The signal is handled before the key is read, if at all.
        probe.Type("x");
        ASSERT_TRUE(probe.ReadUntil("key!")) << "still running";
        EXPECT_TRUE(Raw(probe));
        probe.Type("q");
        const std::optional<int> status = probe.Wait();
        ASSERT_TRUE(status && WIFEXITED(*status)) << status.value_or(-1);
        EXPECT_EQ(WEXITSTATUS(*status), 0);
        EXPECT_EQ(NotPutBack(probe), "");
    }
}

}  // namespace
