// Keys: read from the terminal as the game needs them, and decoded.
#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "platform/terminal/signals.h"
#include "platform/terminal/terminal.h"

namespace platform {

namespace {

using std::chrono::milliseconds;

int MillisUntil(KeyDecoder::Clock::time_point deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - KeyDecoder::Clock::now());
    return static_cast<int>(std::max<milliseconds::rep>(left.count(), 0));
}

}  // namespace

// What the game has not asked for yet waits in the terminal's own input
// queue, which holds it at no cost to the game however much is typed or
// pasted: input is read only once the codes decoded are all taken.
Terminal::Woke Terminal::WaitForInput(KeyDecoder& decoder,
                                      std::optional<Clock::time_point> deadline, Reading reading) {
    const bool read = reading == Reading::kPastKeys || !decoder.HasCode();
    pollfd fds[] = {{read ? in_fd_ : -1, POLLIN, 0}, {signals::WakeFd(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, deadline ? MillisUntil(*deadline) : -1);
    if (ready < 0) {
        if (errno == EINTR) return Woke::kBySignal;
        throw InputClosed();
    }
    if (fds[1].revents != 0) {
        signals::DrainWake();
        return Woke::kBySignal;
    }
    if (fds[0].revents != 0) {
        char bytes[256];
        const ssize_t got = ::read(in_fd_, bytes, sizeof bytes);
        if (got > 0) {
            decoder.Feed(std::string_view(bytes, static_cast<std::size_t>(got)), Clock::now());
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
            throw InputClosed();
        }
    }
    decoder.Expire(Clock::now());
    return Woke::kByInputOrTime;
}

// Codes already decoded wait to be taken. Otherwise whatever was typed is
// read; an ESC whose following bytes may still be on their way is waited
// for, and one typed earlier is a whole key now.
bool Terminal::KeyReady() {
    ActOnSignals();
    if (decoder_.HasCode()) return true;
    if (WaitForInput(decoder_, Clock::now()) == Woke::kBySignal) ActOnSignals();
    while (const auto deadline = decoder_.Deadline()) {
        if (WaitForInput(decoder_, *deadline) == Woke::kBySignal) ActOnSignals();
    }
    return decoder_.HasCode();
}

int Terminal::WaitForKey() {
    ActOnSignals();
    Flush();
    while (!decoder_.HasCode()) {
        if (WaitForInput(decoder_, decoder_.Deadline()) == Woke::kBySignal) ActOnSignals();
    }
    return decoder_.TakeCode();
}

void Terminal::Sleep(milliseconds duration) {
    ActOnSignals();
    Flush();
    const auto until = Clock::now() + duration;
    while (Clock::now() < until) {
        if (WaitForInput(decoder_, until) == Woke::kBySignal) ActOnSignals();
    }
}

}  // namespace platform
