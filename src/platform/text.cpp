#include "platform/text.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

int Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

Utf8Char DecodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const int length = Utf8Length(lead);
    if (length == 1) return {lead, 1};
    if (length == 0 || text.size() < static_cast<std::size_t>(length)) return {kReplacement, 1};
    char32_t code = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!IsContinuation(byte)) return {kReplacement, 1};
        code = (code << 6) | (byte & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {kReplacement, 1};
    }
    return {code, static_cast<std::size_t>(length)};
}

int CharWidth(char32_t code) {
    if (code < 0x80) return 1;
    return IsBoxLine(code) ? 1 : 2;
}

bool IsBoxLine(char32_t code) {
    return code == U'━' || code == U'┃';
}

char AsciiBoxLine(char32_t code) {
    return code == U'━' ? '-' : '|';
}

bool IsAmbiguousGlyph(char32_t code) {
    return code == U'■' || code == U'●' || code == U'★' || code == U'○';
}

std::vector<std::string_view> TypingUnits(std::string_view text) {
    std::vector<std::string_view> units;
    std::size_t start = 0;
    std::size_t at = 0;
    int width = 0;
    while (at < text.size()) {
        const Utf8Char c = DecodeUtf8(text.substr(at));
        at += c.length;
        width += CharWidth(c.code);
        if (width >= 2) {
            units.push_back(text.substr(start, at - start));
            start = at;
            width = 0;
        }
    }
    if (start < text.size()) units.push_back(text.substr(start));
    return units;
}

int ParseLeadingInt(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Saturates one past INT_MAX, which is INT_MIN's magnitude.
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = std::min(magnitude * 10 + (text[at] - '0'), std::int64_t{INT_MAX} + 1);
    }
    return static_cast<int>(std::min(negative ? -magnitude : magnitude, std::int64_t{INT_MAX}));
}

}  // namespace platform
