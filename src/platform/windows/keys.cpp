#include "platform/windows/keys.h"

#include "platform/keys.h"

namespace platform {

namespace {

// The codes of a key that is known by its virtual key alone: the grey keys,
// with or without the enhanced flag (the keypad's, with NumLock off, and
// the arrows of wine's console in a terminal come without it), and F1 to
// F12. None for any other key.
std::vector<int> CodesOfVirtualKey(std::uint16_t virtual_key) {
    if (virtual_key >= vk::kF1 && virtual_key <= vk::kF10) {
        return {key::kFunctionPrefix, key::FunctionKey(virtual_key - vk::kF1 + 1)};
    }
    constexpr struct {
        std::uint16_t virtual_key;
        int code;
    } kGreyKeys[] = {
        {vk::kHome, key::kHome},     {vk::kUp, key::kUp},         {vk::kPrior, key::kPageUp},
        {vk::kLeft, key::kLeft},     {vk::kRight, key::kRight},   {vk::kEnd, key::kEnd},
        {vk::kDown, key::kDown},     {vk::kNext, key::kPageDown}, {vk::kInsert, key::kInsert},
        {vk::kDelete, key::kDelete}, {vk::kF11, key::kF11},       {vk::kF12, key::kF12},
    };
    for (const auto& grey : kGreyKeys) {
        if (grey.virtual_key == virtual_key) return {key::kArrowPrefix, grey.code};
    }
    return {};
}

}  // namespace

std::vector<int> KeyCodes(const ConsoleKeyEvent& event) {
    if (!event.down) return {};
    // Wine's console in a terminal gives ESC no character.
    if (event.virtual_key == vk::kEscape) return {key::kEscape};
    if (auto codes = CodesOfVirtualKey(event.virtual_key); !codes.empty()) return codes;
    if (event.text.empty()) return {};
    const std::uint32_t state = event.control_state;
    const bool alt = state & (key_state::kLeftAlt | key_state::kRightAlt);
    const bool ctrl = state & (key_state::kLeftCtrl | key_state::kRightCtrl);
    // Alt with a key is a command, not text, as with an ESC before the key on
    // a terminal. With Ctrl as well it is AltGr, which types characters.
    const char first = event.text.front();
    // A character beyond ASCII is no key the game knows, as in a terminal.
    if (static_cast<unsigned char>(first) >= 0x80) return {};
    if (alt && !ctrl && event.text.size() == 1 && first >= ' ' && first < 0x7F) {
        if (const auto code = key::AltCode(first)) return {key::kFunctionPrefix, *code};
        return {};
    }
    std::vector<int> codes;
    for (char byte : event.text) codes.push_back(static_cast<unsigned char>(byte));
    return codes;
}

}  // namespace platform
