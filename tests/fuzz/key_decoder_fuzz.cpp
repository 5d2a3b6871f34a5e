#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/terminal/key_decoder.h"

namespace {

using platform::KeyDecoder;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// Lets any waiting ESC be decided, then takes every code, each a byte value.
std::vector<int> Finish(KeyDecoder& decoder, KeyDecoder::Clock::time_point now) {
    decoder.Expire(now + std::chrono::seconds(1));
    Check(!decoder.Deadline());
    std::vector<int> codes;
    while (decoder.HasCode()) codes.push_back(decoder.TakeCode());
    for (int code : codes) Check(code >= 0 && code <= 255);
    return codes;
}

}  // namespace

// Input: data[0] names the charset (its low two bits) and the length of a
// script that follows it (the rest); the rest of the input is fed to the
// decoder whole and again in chunks, which must give the same codes. Each
// script byte, used in turn and cyclically, gives the length of the next chunk
// (low nibble plus one) and the time before it (high nibble times 3 ms, which
// stays under the ESC delay). A waiting ESC must be due within that delay.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto charset = static_cast<platform::Charset>(data[0] & 3);
    const size_t script_size = std::min<size_t>(data[0] >> 2, size - 1);
    const uint8_t* script = data + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(script + script_size),
                                 size - 1 - script_size);
    const KeyDecoder::Clock::time_point start{std::chrono::hours(1)};
    KeyDecoder whole(charset);
    whole.Feed(bytes, start);

    KeyDecoder split(charset);
    auto now = start;
    for (size_t pos = 0, step = 0; pos < bytes.size(); ++step) {
        const uint8_t command = script_size == 0 ? 0 : script[step % script_size];
        now += std::chrono::milliseconds((command >> 4) * 3);
        const size_t length = std::min<size_t>((command & 0x0F) + 1, bytes.size() - pos);
        split.Feed(bytes.substr(pos, length), now);
        const auto deadline = split.Deadline();
        Check(!deadline || (*deadline > now && *deadline <= now + KeyDecoder::kEscapeDelay));
        pos += length;
    }
    Check(Finish(split, now) == Finish(whole, start));
    return 0;
}
