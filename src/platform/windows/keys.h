#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The Windows console's key events turned into the codes of keys.h. It needs
// no Windows header, so that it is built and tested on every system; the
// Windows backend fills a ConsoleKeyEvent from each input record.
namespace platform {

// The virtual key codes and control key states of the Windows API that
// decide a code, by their values there.
namespace vk {
constexpr std::uint16_t kEscape = 0x1B;
constexpr std::uint16_t kPrior = 0x21;
constexpr std::uint16_t kNext = 0x22;
constexpr std::uint16_t kEnd = 0x23;
constexpr std::uint16_t kHome = 0x24;
constexpr std::uint16_t kLeft = 0x25;
constexpr std::uint16_t kUp = 0x26;
constexpr std::uint16_t kRight = 0x27;
constexpr std::uint16_t kDown = 0x28;
constexpr std::uint16_t kInsert = 0x2D;
constexpr std::uint16_t kDelete = 0x2E;
constexpr std::uint16_t kF1 = 0x70;
constexpr std::uint16_t kF10 = 0x79;
constexpr std::uint16_t kF11 = 0x7A;
constexpr std::uint16_t kF12 = 0x7B;
}  // namespace vk
namespace key_state {
constexpr std::uint32_t kRightAlt = 0x0001;
constexpr std::uint32_t kLeftAlt = 0x0002;
constexpr std::uint32_t kRightCtrl = 0x0004;
constexpr std::uint32_t kLeftCtrl = 0x0008;
}  // namespace key_state

struct ConsoleKeyEvent {
    bool down = true;
    std::uint16_t virtual_key = 0;
    // The character the key typed, in the console's input code page; empty
    // for a key that types none.
    std::string text;
    std::uint32_t control_state = 0;
};

// The codes of the event, in order; none for a release or a key that gives
// no code (a modifier alone, for one). The codes are those of the single-key
// read, but that the grey keys are known by their virtual keys alone: an
// arrow is 224 and its code in every console, and ESC is 27.
std::vector<int> KeyCodes(const ConsoleKeyEvent& event);

}  // namespace platform
