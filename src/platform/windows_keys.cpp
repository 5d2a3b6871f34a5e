#include "platform/windows_keys.h"

#include "platform/keys.h"

namespace platform {

namespace {

// The codes of a key that types no character.
std::vector<int> CodesOfSpecialKey(const ConsoleKeyEvent& event) {
    const std::uint16_t virtual_key = event.virtual_key;
    if (virtual_key >= vk::kF1 && virtual_key <= vk::kF10) {
        return {key::kFunctionPrefix, key::FunctionKey(virtual_key - vk::kF1 + 1)};
    }
    if (virtual_key == vk::kF11) return {key::kArrowPrefix, key::kF11};
    if (virtual_key == vk::kF12) return {key::kArrowPrefix, key::kF12};
    constexpr struct {
        std::uint16_t virtual_key;
        int code;
    } kGreyKeys[] = {
        {vk::kHome, key::kHome},     {vk::kUp, key::kUp},         {vk::kPrior, key::kPageUp},
        {vk::kLeft, key::kLeft},     {vk::kRight, key::kRight},   {vk::kEnd, key::kEnd},
        {vk::kDown, key::kDown},     {vk::kNext, key::kPageDown}, {vk::kInsert, key::kInsert},
        {vk::kDelete, key::kDelete},
    };
    for (const auto& grey : kGreyKeys) {
        // The keypad's keys, with NumLock off, are the ones without the
        // enhanced flag; the console gives 0 before the same code.
        if (grey.virtual_key != virtual_key) continue;
        const bool enhanced = event.control_state & key_state::kEnhanced;
        return {enhanced ? key::kArrowPrefix : key::kFunctionPrefix, grey.code};
    }
    return {};
}

}  // namespace

std::vector<int> KeyCodes(const ConsoleKeyEvent& event) {
    if (!event.down) return {};
    if (event.text.empty()) return CodesOfSpecialKey(event);
    const std::uint32_t state = event.control_state;
    const bool alt = state & (key_state::kLeftAlt | key_state::kRightAlt);
    const bool ctrl = state & (key_state::kLeftCtrl | key_state::kRightCtrl);
    // Alt with a key is a command, not text, as with an ESC before the key on
    // a terminal. With Ctrl as well it is AltGr, which types characters.
    const char first = event.text.front();
    if (alt && !ctrl && event.text.size() == 1 && first >= ' ' && first < 0x7F) {
        if (const auto code = key::AltCode(first)) return {key::kFunctionPrefix, *code};
        return {};
    }
    std::vector<int> codes;
    for (char byte : event.text) codes.push_back(static_cast<unsigned char>(byte));
    return codes;
}

}  // namespace platform
