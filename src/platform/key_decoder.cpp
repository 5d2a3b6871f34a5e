#include "platform/key_decoder.h"

#include <algorithm>
#include <charconv>

#include "platform/keys.h"

namespace platform {
namespace {

constexpr unsigned char kEsc = 0x1B;
// Key sequences are far shorter. A longer one is still read to its end, so
// none of it reaches the game, but it is dropped without keeping its bytes.
constexpr std::size_t kMaxSequenceLength = 32;

struct Key {
    int prefix;
    int code;
};

constexpr Key Grey(int code) {
    return {key::kArrowPrefix, code};
}

constexpr Key FunctionKey(int number) {
    return {key::kFunctionPrefix, key::FunctionKey(number)};
}

void Push(std::deque<int>& codes, Key key) {
    codes.push_back(key.prefix);
    codes.push_back(key.code);
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
            return Grey(key::kHome);
        case 2:
            return Grey(key::kInsert);
        case 3:
            return Grey(key::kDelete);
        case 4:
        case 8:
            return Grey(key::kEnd);
        case 5:
            return Grey(key::kPageUp);
        case 6:
            return Grey(key::kPageDown);
        case 23:
            return Grey(key::kF11);
        case 24:
            return Grey(key::kF12);
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
            return Grey(key::kUp);
        case 'B':
            return Grey(key::kDown);
        case 'C':
            return Grey(key::kRight);
        case 'D':
            return Grey(key::kLeft);
        case 'H':
            return Grey(key::kHome);
        case 'F':
            return Grey(key::kEnd);
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
        codes_.push_back(key::kEscape);
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
        if (state_ == State::kEscape) codes_.push_back(key::kEscape);
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
            codes_.push_back(key::kEnter);
            return;
        case 0x7F:
        case '\b':
            codes_.push_back(key::kBackspace);
            return;
        default:
            codes_.push_back(byte);
    }
}

// A printable key after ESC came with Alt; Alt keys the console has no code
// for give nothing. Any other byte follows a lone ESC.
void KeyDecoder::AfterEscape(unsigned char byte) {
    if (byte >= 0x20 && byte < 0x7F) {
        if (const auto code = key::AltCode(static_cast<char>(byte))) {
            Push(codes_, {key::kFunctionPrefix, *code});
        }
        return;
    }
    codes_.push_back(key::kEscape);
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
