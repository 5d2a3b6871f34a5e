#include "platform/virtual/virtual_console.h"

#include <algorithm>

#include "platform/keys.h"

namespace platform {

void VirtualConsole::PushKeys(std::initializer_list<int> codes, Millis at) {
    for (int code : codes) keys_.push_back({code, at});
}

void VirtualConsole::ScriptRandom(std::initializer_list<int> values) {
    scripted_random_.insert(scripted_random_.end(), values);
}

void VirtualConsole::PushLine(std::string line) {
    lines_.push_back(std::move(line));
}

void VirtualConsole::Clear() {
    ScreenConsole::Clear();
    ++clears_;
}

bool VirtualConsole::KeyReady() {
    return !keys_.empty() && keys_.front().at <= now_;
}

int VirtualConsole::WaitForKey() {
    if (keys_.empty()) throw OutOfInput();
    const Key key = keys_.front();
    keys_.pop_front();
    AdvanceTo(key.at);
    return key.code;
}

int VirtualConsole::ReadNumberReply() {
    if (lines_.empty()) throw OutOfInput();
    const std::string line = std::move(lines_.front());
    lines_.pop_front();
    // The line is typed key by key, then Enter; a reply that Enter does not
    // end (a blank one) waits for more than the script holds.
    std::size_t typed = 0;
    return EditNumberReply([&] {
        if (typed < line.size()) return static_cast<int>(static_cast<unsigned char>(line[typed++]));
        if (typed++ == line.size()) return key::kEnter;
        throw OutOfInput();
    });
}

void VirtualConsole::Sleep(std::chrono::milliseconds duration) {
    sleeps_.push_back({now_, duration});
    AdvanceTo(now_ + duration);
}

void VirtualConsole::AdvanceTo(Millis at) {
    if (at <= now_) return;
    if (record_frames_) frames_.push_back({now_, screen()});
    now_ = at;
}

const Screen& VirtualConsole::ScreenAt(Millis at) const {
    if (at >= now_) return screen();
    const auto after =
        std::upper_bound(frames_.begin(), frames_.end(), at,
                         [](Millis time, const Frame& frame) { return time < frame.from; });
    if (after == frames_.begin()) throw std::out_of_range("no frame recorded that early");
    return std::prev(after)->screen;
}

// The generator of the classic C library example: deterministic, and with the
// same range as the Windows runtime's rand (0 to 32767).
int VirtualConsole::Random() {
    if (!scripted_random_.empty()) {
        const int value = scripted_random_.front();
        scripted_random_.pop_front();
        return value;
    }
    random_state_ = random_state_ * 1103515245u + 12345u;
    return static_cast<int>((random_state_ / 65536u) % 32768u);
}

}  // namespace platform
