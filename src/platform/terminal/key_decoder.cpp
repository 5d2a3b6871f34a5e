#include "platform/terminal/key_decoder.h"

#include <algorithm>

#include "platform/keys.h"
#include "platform/text.h"

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

// ESC [ n ~: the editing block, F1 to F12, and the aliases some terminals
// send for Home and End.
std::optional<Key> TildeKey(int number) {
    if (number >= 11 && number <= 15) return FunctionKey(number - 10);
    if (number >= 17 && number <= 21) return FunctionKey(number - 11);
    constexpr std::pair<int, int> kGreyKeys[] = {
        {1, key::kHome},   {2, key::kInsert},   {3, key::kDelete}, {4, key::kEnd},
        {5, key::kPageUp}, {6, key::kPageDown}, {7, key::kHome},   {8, key::kEnd},
        {23, key::kF11},   {24, key::kF12},
    };
    for (const auto& [tilde, code] : kGreyKeys) {
        if (tilde == number) return Grey(code);
    }
    return std::nullopt;
}

// Extra parameters only carry modifiers (Shift, Ctrl, ...), which the game
// does not distinguish, so they are ignored.
std::optional<Key> Lookup(bool csi, std::string_view params, unsigned char final_byte) {
    // Private parameter bytes mark replies and modes, never plain keys.
    if (params.find_first_of("<=>?") != std::string_view::npos) return std::nullopt;
    constexpr std::pair<unsigned char, int> kGreyKeys[] = {
        {'A', key::kUp},   {'B', key::kDown}, {'C', key::kRight},
        {'D', key::kLeft}, {'H', key::kHome}, {'F', key::kEnd},
    };
    for (const auto& [letter, code] : kGreyKeys) {
        if (letter == final_byte) return Grey(code);
    }
    // In CSI form only the "1;m" shape is F1 to F4: ESC [ row ; col R is a
    // cursor position report.
    if (final_byte >= 'P' && final_byte <= 'S' && (!csi || params.starts_with("1;"))) {
        return FunctionKey(final_byte - 'P' + 1);
    }
    if (csi && final_byte == '~') return TildeKey(FirstParameter(params));
    return std::nullopt;
}

// The bytes a character that starts with `lead` takes; 1 where `lead` starts
// none.
int CharacterLength(Charset charset, unsigned char lead) {
    switch (charset) {
        case Charset::kUtf8:
            return std::max(Utf8Length(lead), 1);
        case Charset::kGbk:
        case Charset::kGb18030:
            return lead >= 0x81 && lead <= 0xFE ? 2 : 1;
        case Charset::kSingleByte:
            break;
    }
    return 1;
}

// Whether `byte` can follow the `had` bytes a character has had so far. A
// GB18030 character whose second byte is a digit takes four bytes.
bool Continues(Charset charset, int had, unsigned char byte, int& length) {
    if (charset == Charset::kUtf8) return byte >= 0x80 && byte <= 0xBF;
    if (had == 1 && charset == Charset::kGb18030 && byte >= '0' && byte <= '9') {
        length = 4;
        return true;
    }
    if (had == 1) return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
    return had == 2 ? byte >= 0x81 && byte <= 0xFE : byte >= '0' && byte <= '9';
}

// ESC ], P, _, ^ and X open OSC, DCS, APC, PM and SOS.
bool OpensControlString(unsigned char byte) {
    return byte == ']' || byte == 'P' || byte == '_' || byte == '^' || byte == 'X';
}

// "row;column", two numbers and nothing else.
std::optional<std::pair<int, int>> ParseCursorReport(std::string_view params) {
    constexpr std::string_view kDigits = "0123456789";
    const std::size_t separator = params.find_first_not_of(kDigits);
    if (separator == 0 || separator == std::string_view::npos || params[separator] != ';') {
        return std::nullopt;
    }
    const std::string_view column = params.substr(separator + 1);
    if (column.empty() || column.find_first_not_of(kDigits) != std::string_view::npos) {
        return std::nullopt;
    }
    return std::pair{FirstParameter(params), FirstParameter(column)};
}

}  // namespace

Charset CharsetOf(std::string_view codeset) {
    if (codeset == "GBK" || codeset == "GB2312" || codeset == "EUC-CN") return Charset::kGbk;
    if (codeset == "GB18030") return Charset::kGb18030;
    if (codeset.empty() || codeset == "UTF-8" || codeset == "utf8" || codeset == "ANSI_X3.4-1968" ||
        codeset == "ASCII" || codeset == "US-ASCII") {
        return Charset::kUtf8;
    }
    return Charset::kSingleByte;
}

void KeyDecoder::Feed(std::string_view bytes, Clock::time_point now) {
    Expire(now);
    for (char c : bytes) Step(static_cast<unsigned char>(c), now);
}

// An ESC that ends a control string is its ST cut short, not a key.
void KeyDecoder::Expire(Clock::time_point now) {
    if (state_ != State::kEscape && state_ != State::kStringEscape) return;
    if (escape_at_ + kEscapeDelay > now) return;
    if (state_ == State::kEscape) codes_.push_back(key::kEscape);
    state_ = State::kGround;
}

std::optional<KeyDecoder::Clock::time_point> KeyDecoder::Deadline() const {
    if (state_ != State::kEscape && state_ != State::kStringEscape) return std::nullopt;
    return escape_at_ + kEscapeDelay;
}

int KeyDecoder::TakeCode() {
    const int code = codes_.front();
    codes_.pop_front();
    return code;
}

void KeyDecoder::Step(unsigned char byte, Clock::time_point now) {
    // A mouse report's bytes are coordinates, whatever they look like.
    if (state_ == State::kMouseReport) {
        if (--bytes_owed_ == 0) state_ = State::kGround;
        return;
    }
    if (byte == kEsc) {
        // In a control string it starts the ST, or abandons the string. A
        // second ESC proves the first was pressed alone; inside a sequence it
        // means the terminal started over, so the partial sequence is abandoned.
        if (state_ == State::kEscape) codes_.push_back(key::kEscape);
        state_ = state_ == State::kControlString ? State::kStringEscape : State::kEscape;
        escape_at_ = now;
        return;
    }
    switch (state_) {
        case State::kGround:
            Ground(byte);
            return;
        case State::kCharacter:
            CharacterByte(byte, now);
            return;
        case State::kControlString:
            // BEL ends it; CAN and SUB cancel it.
            if (byte == '\a' || byte == 0x18 || byte == 0x1A) state_ = State::kGround;
            return;
        case State::kStringEscape:
            state_ = byte == '\\' ? State::kGround : State::kEscape;
            if (state_ == State::kEscape) Step(byte, now);
            return;
        case State::kMouseReport:
            return;
        case State::kEscape:
            if (OpensControlString(byte)) {
                state_ = State::kControlString;
                return;
            }
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

void KeyDecoder::Ground(unsigned char byte) {
    if (byte < 0x80) {
        PlainKey(byte);
        return;
    }
    bytes_owed_ = CharacterLength(charset_, byte) - 1;
    character_bytes_ = 1;
    if (bytes_owed_ > 0) state_ = State::kCharacter;
}

// A byte that cannot continue the character ends it unfinished and is read
// afresh.
void KeyDecoder::CharacterByte(unsigned char byte, Clock::time_point now) {
    int length = character_bytes_ + bytes_owed_;
    if (!Continues(charset_, character_bytes_, byte, length)) {
        state_ = State::kGround;
        Step(byte, now);
        return;
    }
    bytes_owed_ = length - ++character_bytes_;
    if (bytes_owed_ == 0) state_ = State::kGround;
}

void KeyDecoder::PlainKey(unsigned char byte) {
    int code = byte;
    if (byte == '\r' || byte == '\n') code = key::kEnter;
    if (byte == 0x7F || byte == '\b') code = key::kBackspace;
    codes_.push_back(code);
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
    Ground(byte);
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
    if (csi && final_byte == 'M' && length_ == 3) {
        state_ = State::kMouseReport;
        bytes_owed_ = 3;
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
