#include "platform/key_decoder.h"

#include <algorithm>
#include <charconv>

namespace platform {
namespace {

constexpr unsigned char kEsc = 0x1B;
// Key sequences are far shorter. A longer one is still read to its end, so
// none of it reaches the game, but it is dropped without keeping its bytes.
constexpr std::size_t kMaxSequenceLength = 32;

struct Key {
    int prefix;
    int scan;
};

constexpr Key kUp{224, 72};
constexpr Key kDown{224, 80};
constexpr Key kRight{224, 77};
constexpr Key kLeft{224, 75};
constexpr Key kHome{224, 71};
constexpr Key kEnd{224, 79};
constexpr Key kPageUp{224, 73};
constexpr Key kPageDown{224, 81};
constexpr Key kInsert{224, 82};
constexpr Key kDelete{224, 83};
constexpr Key kF11{224, 133};
constexpr Key kF12{224, 134};

// F1..F10 share the 0 prefix and consecutive scan codes.
constexpr Key FunctionKey(int number) {
    return {0, 58 + number};
}

// Alt with a key of the US layout: the console's 0 and the key's scan code;
// letters by their rows on the keyboard, digits and the other keys as the
// console numbers them.
std::optional<Key> AltKey(unsigned char byte) {
    constexpr std::string_view kLetterRows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    constexpr int kFirstScanOfRow[] = {16, 30, 44};
    const auto lower = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
    for (int row = 0; row < 3; ++row) {
        const std::size_t at = kLetterRows[row].find(lower);
        if (at != std::string_view::npos)
            return Key{0, kFirstScanOfRow[row] + static_cast<int>(at)};
    }
    // Each key with its shifted symbol, and its code.
    constexpr struct {
        std::string_view symbols;
        int scan;
    } kOthers[] = {
        {"1!", 120}, {"2@", 121}, {"3#", 122}, {"4$", 123}, {"5%", 124}, {"6^", 125}, {"7&", 126},
        {"8*", 127}, {"9(", 128}, {"0)", 129}, {"-_", 130}, {"=+", 131}, {"]}", 27},  {";:", 39},
        {"'\"", 40}, {"`~", 41},  {"\\|", 43}, {",<", 51},  {".>", 52},  {"/?", 53},
    };
    for (const auto& other : kOthers) {
        if (other.symbols.find(static_cast<char>(byte)) != std::string_view::npos) {
            return Key{0, other.scan};
        }
    }
    return std::nullopt;
}

void Push(std::deque<int>& codes, Key key) {
    codes.push_back(key.prefix);
    codes.push_back(key.scan);
}

// Leading number of the first parameter, or -1 when it has none. Saturates so
// that a long run of digits cannot overflow.
int FirstParameter(std::string_view params) {
    int value = -1;
    for (char c : params) {
        if (c < '0' || c > '9') break;
        value = std::min(std::max(value, 0) * 10 + (c - '0'), 1000);
    }
    return value;
}

std::optional<Key> TildeKey(int number) {
    switch (number) {
        case 1:
        case 7:
            return kHome;
        case 2:
            return kInsert;
        case 3:
            return kDelete;
        case 4:
        case 8:
            return kEnd;
        case 5:
            return kPageUp;
        case 6:
            return kPageDown;
        case 23:
            return kF11;
        case 24:
            return kF12;
        default:
            break;
    }
    if (number >= 11 && number <= 15) return FunctionKey(number - 10);
    if (number >= 17 && number <= 21) return FunctionKey(number - 11);
    return std::nullopt;
}

// Extra parameters only carry modifiers (Shift, Ctrl, ...), which the game
// does not distinguish, so they are ignored.
std::optional<Key> Lookup(bool csi, std::string_view params, unsigned char final_byte) {
    // Private parameter bytes mark replies and modes, never plain keys.
    if (params.find_first_of("<=>?") != std::string_view::npos) return std::nullopt;
    switch (final_byte) {
        case 'A':
            return kUp;
        case 'B':
            return kDown;
        case 'C':
            return kRight;
        case 'D':
            return kLeft;
        case 'H':
            return kHome;
        case 'F':
            return kEnd;
        case 'P':
        case 'Q':
        case 'R':
        case 'S':
            // In CSI form only the "1;m" shape is a key: ESC [ row ; col R is a
            // cursor position report.
            if (csi && !params.starts_with("1;")) return std::nullopt;
            return FunctionKey(final_byte - 'P' + 1);
        case '~':
            if (csi) return TildeKey(FirstParameter(params));
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<std::pair<int, int>> ParseCursorReport(std::string_view params) {
    const std::size_t separator = params.find(';');
    if (separator == std::string_view::npos) return std::nullopt;
    int row = 0;
    int column = 0;
    const auto [row_end, row_error] =
        std::from_chars(params.data(), params.data() + separator, row);
    const auto [column_end, column_error] =
        std::from_chars(params.data() + separator + 1, params.data() + params.size(), column);
    if (row_error != std::errc() || column_error != std::errc() ||
        row_end != params.data() + separator || column_end != params.data() + params.size()) {
        return std::nullopt;
    }
    return std::pair{row, column};
}

}  // namespace

void KeyDecoder::Feed(std::string_view bytes, Clock::time_point now) {
    Expire(now);
    for (char c : bytes) Step(static_cast<unsigned char>(c), now);
}

void KeyDecoder::Expire(Clock::time_point now) {
    if (state_ == State::kEscape && escape_at_ + kEscapeDelay <= now) {
        codes_.push_back(kEsc);
        state_ = State::kGround;
    }
}

std::optional<KeyDecoder::Clock::time_point> KeyDecoder::Deadline() const {
    if (state_ != State::kEscape) return std::nullopt;
    return escape_at_ + kEscapeDelay;
}

int KeyDecoder::TakeCode() {
    const int code = codes_.front();
    codes_.pop_front();
    return code;
}

void KeyDecoder::Step(unsigned char byte, Clock::time_point now) {
    if (byte == kEsc) {
        // A second ESC proves the first was pressed alone; inside a sequence it
        // means the terminal started over, so the partial sequence is abandoned.
        if (state_ == State::kEscape) codes_.push_back(kEsc);
        state_ = State::kEscape;
        escape_at_ = now;
        return;
    }
    switch (state_) {
        case State::kGround:
            Plain(byte);
            return;
        case State::kEscape:
            if (byte == '[' || byte == 'O') {
                state_ = byte == '[' ? State::kCsi : State::kSs3;
                params_.clear();
                has_intermediate_ = false;
                too_long_ = false;
                length_ = 2;
                return;
            }
            state_ = State::kGround;
            AfterEscape(byte);
            return;
        case State::kLinuxFunction:
            state_ = State::kGround;
            if (byte >= 'A' && byte <= 'E') Push(codes_, FunctionKey(byte - 'A' + 1));
            return;
        case State::kCsi:
        case State::kSs3:
            SequenceByte(byte);
            return;
    }
}

void KeyDecoder::Plain(unsigned char byte) {
    switch (byte) {
        case '\r':
        case '\n':
            codes_.push_back('\r');
            return;
        case 0x7F:
        case '\b':
            codes_.push_back('\b');
            return;
        default:
            codes_.push_back(byte);
    }
}

// A printable key after ESC came with Alt; Alt keys the console has no code
// for give nothing. Any other byte follows a lone ESC.
void KeyDecoder::AfterEscape(unsigned char byte) {
    if (byte >= 0x20 && byte < 0x7F) {
        if (const auto key = AltKey(byte)) Push(codes_, *key);
        return;
    }
    codes_.push_back(kEsc);
    Plain(byte);
}

void KeyDecoder::SequenceByte(unsigned char byte) {
    if (length_ < kMaxSequenceLength) {
        ++length_;
    } else {
        too_long_ = true;
    }
    if (byte >= 0x20 && byte <= 0x2F) {
        has_intermediate_ = true;
    } else if (byte >= 0x30 && byte <= 0x3F) {
        if (has_intermediate_) {
            state_ = State::kGround;
        } else if (!too_long_) {
            params_.push_back(static_cast<char>(byte));
        }
    } else if (byte >= 0x40 && byte <= 0x7E) {
        Finish(byte);
    } else {
        // No terminal puts a control, DEL or non-ASCII byte inside a sequence,
        // so what came before cannot be trusted either.
        state_ = State::kGround;
    }
}

void KeyDecoder::Finish(unsigned char final_byte) {
    const bool csi = state_ == State::kCsi;
    if (csi && final_byte == '[' && length_ == 3) {
        state_ = State::kLinuxFunction;
        return;
    }
    state_ = State::kGround;
    if (has_intermediate_ || too_long_) return;
    if (const auto key = Lookup(csi, params_, final_byte)) {
        Push(codes_, *key);
    } else if (csi && final_byte == 'R') {
        if (const auto report = ParseCursorReport(params_)) cursor_reports_.push_back(*report);
    }
}

std::optional<std::pair<int, int>> KeyDecoder::TakeCursorReport() {
    if (cursor_reports_.empty()) return std::nullopt;
    const auto report = cursor_reports_.front();
    cursor_reports_.pop_front();
    return report;
}

}  // namespace platform
