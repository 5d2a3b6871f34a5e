#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/key_decoder.h"

namespace {

using platform::KeyDecoder;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void Drain(KeyDecoder& decoder, std::vector<int>& codes) {
    while (decoder.HasCode()) {
        const int code = decoder.TakeCode();
        Check(code >= 0 && code <= 255);
        codes.push_back(code);
    }
}

// A waiting ESC is always decided later than now and no later than one delay from now.
void CheckDeadline(const KeyDecoder& decoder, KeyDecoder::Clock::time_point now) {
    const auto deadline = decoder.Deadline();
    Check(!deadline || (*deadline > now && *deadline <= now + KeyDecoder::kEscapeDelay));
}

}  // namespace

// Input: data[0] is the length of a script that follows it; the rest is fed to
// the decoder. Each script byte, used in turn and cyclically, gives the length
// of the next chunk (low nibble, 0 meaning an empty read) and the time before
// it (high nibble times 3 ms, which stays under the ESC delay).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t script_size = std::min<size_t>(data[0], size - 1);
    const uint8_t* script = data + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(script + script_size),
                                 size - 1 - script_size);
    const KeyDecoder::Clock::time_point start{std::chrono::hours(1)};
    const std::chrono::seconds long_after{1};

    KeyDecoder whole;
    std::vector<int> whole_codes;
    whole.Feed(bytes, start);
    CheckDeadline(whole, start);
    Drain(whole, whole_codes);
    whole.Expire(start + long_after);
    Check(!whole.Deadline());
    Drain(whole, whole_codes);

    KeyDecoder split;
    std::vector<int> split_codes;
    auto now = start;
    size_t step = 0;
    for (size_t pos = 0; pos < bytes.size();) {
        const uint8_t command = script_size == 0 ? 1 : script[step++ % script_size];
        now += std::chrono::milliseconds((command >> 4) * 3);
        size_t length = command & 0x0F;
        if (length == 0) {
            split.Feed({}, now);
            CheckDeadline(split, now);
            // Always move on, or a script of empty reads would never end.
            length = 1;
        }
        length = std::min(length, bytes.size() - pos);
        split.Feed(bytes.substr(pos, length), now);
        CheckDeadline(split, now);
        Drain(split, split_codes);
        pos += length;
    }
    split.Expire(now + long_after);
    Check(!split.Deadline());
    Drain(split, split_codes);

    Check(split_codes == whole_codes);
    return 0;
}
