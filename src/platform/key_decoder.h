#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Turns the bytes a terminal sends into the key codes a Windows console would
// return from _getch: 224 or 0 as a prefix for special keys, then a scan code.
// It does no I/O; the caller feeds bytes with the time they arrived and asks
// for codes. A lone ESC is only known to be a key once enough time has passed
// without a following byte, so the caller must also report the passing time.
class KeyDecoder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kEscapeDelay{50};

    // Bytes that arrived at `now`. An ESC still waiting since before
    // `now - kEscapeDelay` is decided as a lone ESC first.
    void Feed(std::string_view bytes, Clock::time_point now);
    // Time has passed with no new byte; decides a lone ESC whose delay is over.
    void Expire(Clock::time_point now);
    // When the caller should call Expire if nothing arrives, if anything waits.
    std::optional<Clock::time_point> Deadline() const;

    bool HasCode() const { return !codes_.empty(); }
    // Precondition: HasCode().
    int TakeCode();

private:
    // ... implementation-defined state ...
    std::deque<int> codes_;
};

}  // namespace platform
