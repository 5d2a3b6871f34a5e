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

// Input: data[0] names the charset (its low two bits); the rest is fed to the
// decoder whole, and again in chunks of data[0] / 4 + 1 bytes 3 ms apart,
// which stays under the ESC delay and must give the same codes. A waiting ESC
// must be due within that delay.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto charset = static_cast<platform::Charset>(data[0] & 3);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const KeyDecoder::Clock::time_point start{std::chrono::hours(1)};
    KeyDecoder whole(charset);
    whole.Feed(bytes, start);

    KeyDecoder split(charset);
    auto now = start;
    for (size_t pos = 0; pos < bytes.size(); pos += data[0] / 4 + 1) {
        now += std::chrono::milliseconds(3);
        split.Feed(bytes.substr(pos, data[0] / 4 + 1), now);
        const auto deadline = split.Deadline();
        Check(!deadline || (*deadline > now && *deadline <= now + KeyDecoder::kEscapeDelay));
    }
    Check(Finish(split, now) == Finish(whole, start));
    return 0;
}
