#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// How the locale encodes the characters beyond ASCII. The decoder needs to
// know where each ends: none is a key the game knows, and their bytes must not
// pass for key codes (a GBK trail byte may be "H", the code of Up).
enum class Charset { kSingleByte, kUtf8, kGbk, kGb18030 };

// The charset of a codeset as nl_langinfo(CODESET) names it. ASCII counts as
// UTF-8: most terminals started under the C locale still send UTF-8.
Charset CharsetOf(std::string_view codeset);

// Turns the bytes a terminal sends into the key codes of keys.h. It does no
// I/O; the caller feeds bytes with the time they arrived and asks for codes.
// ESC before a printable key is that key with Alt. A lone ESC is only known to
// be a key once enough time has passed without a following byte, so the
// caller must also report the passing time. What is not a key is consumed
// whole and gives no code: characters beyond ASCII, control strings (OSC,
// DCS, APC, PM and SOS, up to their ST or BEL) and old-style mouse reports.
class KeyDecoder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kEscapeDelay{50};

    explicit KeyDecoder(Charset charset = Charset::kUtf8) : charset_(charset) {}
    Charset charset() const { return charset_; }

    // Bytes that arrived at `now`. An ESC waiting since `now - kEscapeDelay`
    // or earlier is decided as a lone ESC first.
    void Feed(std::string_view bytes, Clock::time_point now);
    // Time has passed with no new byte; decides a lone ESC whose delay is over.
    void Expire(Clock::time_point now);
    // When the caller should call Expire if nothing arrives, if anything waits.
    std::optional<Clock::time_point> Deadline() const;

    // The terminal's answers to cursor position queries (ESC [ 6 n), oldest
    // first, as 1-based row and column, each taken once. Only answers for
    // rows below the first are told apart from keys: ESC [ 1 ; m R is also a
    // modified F3.
    std::optional<std::pair<int, int>> TakeCursorReport();

    bool HasCode() const { return !codes_.empty(); }
    // Precondition: HasCode().
    int TakeCode();

private:
    enum class State {
        kGround,
        kEscape,
        kCsi,
        kSs3,
        kLinuxFunction,
        kCharacter,
        kControlString,
        kStringEscape,  // an ESC inside a control string: ST, or the string abandoned
        kMouseReport,
    };

    void Step(unsigned char byte, Clock::time_point now);
    void Ground(unsigned char byte);
    void PlainKey(unsigned char byte);
    void CharacterByte(unsigned char byte, Clock::time_point now);
    void AfterEscape(unsigned char byte);
    void SequenceByte(unsigned char byte);
    void Finish(unsigned char final_byte);

    Charset charset_;
    State state_ = State::kGround;
    Clock::time_point escape_at_{};
    // Parameter bytes of the CSI or SS3 sequence being read.
    std::string params_;
    bool has_intermediate_ = false;
    // Bytes of the sequence so far, ESC and introducer included; stops
    // counting once the sequence is known to be too long.
    std::size_t length_ = 0;
    bool too_long_ = false;
    // Bytes of the character, or of the mouse report, still to come.
    int bytes_owed_ = 0;
    // Of the character being read: how many bytes it has had so far.
    int character_bytes_ = 0;
    std::deque<int> codes_;
    std::deque<std::pair<int, int>> cursor_reports_;
};

}  // namespace platform
