// Keys as terminals send them, and as the Windows console reports them,
// turned into the console's key codes.
#include "platform/terminal/key_decoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/keys.h"
#include "platform/windows/keys.h"

namespace platform {
namespace {

using Codes = std::vector<int>;
using namespace key;

KeyDecoder::Clock::time_point At(int ms) {
    return KeyDecoder::Clock::time_point{std::chrono::hours(1) + std::chrono::milliseconds(ms)};
}

// Hex escapes would swallow a following F or digit, so ESC is spliced in.
std::string Esc(const std::string& rest) {
    return "\x1b" + rest;
}

using Chunk = std::pair<int, std::string>;  // when, in ms, and the bytes

// Ends long after the last chunk so that a trailing lone ESC is decided too.
Codes Decode(const std::vector<Chunk>& chunks, Charset charset = Charset::kUtf8) {
    KeyDecoder decoder(charset);
    for (const auto& [at_ms, bytes] : chunks) decoder.Feed(bytes, At(at_ms));
    decoder.Expire(At(chunks.back().first + 1000));
    Codes codes;
    while (decoder.HasCode()) codes.push_back(decoder.TakeCode());
    return codes;
}

// Whole, one byte per read (each just inside the ESC delay after the one
// before), and cut in two at every point; between 'a' and Enter, to show
// that the neighbours survive.
void ExpectSameHoweverSplit(const std::string& inner, const Codes& inner_codes) {
    const std::string bytes = "a" + inner + "\r";
    Codes codes = {'a'};
    codes.insert(codes.end(), inner_codes.begin(), inner_codes.end());
    codes.push_back(kEnter);
    SCOPED_TRACE(testing::PrintToString(bytes));
    EXPECT_EQ(Decode({{0, bytes}}), codes);
    std::vector<Chunk> bytewise;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytewise.push_back({static_cast<int>(i) * 49, bytes.substr(i, 1)});
    }
    EXPECT_EQ(Decode(bytewise), codes);
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        EXPECT_EQ(Decode({{0, bytes.substr(0, cut)}, {49, bytes.substr(cut)}}), codes);
    }
}

// Virtual keys that the game reads by their characters alone.
constexpr std::uint16_t kTabKey = 0x09;
constexpr std::uint16_t kReturnKey = 0x0D;

// The enhanced flag, which Windows sets for the grey keys.
constexpr std::uint32_t kEnhanced = 0x0100;

ConsoleKeyEvent Grey(std::uint16_t virtual_key, std::uint32_t state = kEnhanced) {
    return {true, virtual_key, "", state};
}

ConsoleKeyEvent Typed(std::string text, std::uint32_t state = 0, std::uint16_t virtual_key = 0) {
    return {true, virtual_key, std::move(text), state};
}

// Each key: every form a terminal sends for it, and, where it has one, the
// event the Windows console reports for it.
struct Key {
    std::vector<std::string> terminal;
    std::optional<ConsoleKeyEvent> console;
    Codes codes;
};

const std::vector<Key> kKeys = {
    {{Esc("[A"), Esc("OA"), Esc("[1;5A")}, Grey(vk::kUp), {kArrowPrefix, kUp}},
    {{Esc("[B"), Esc("OB"), Esc("[1;2B")}, Grey(vk::kDown), {kArrowPrefix, kDown}},
    {{Esc("[C"), Esc("OC"), Esc("[1;3C")}, Grey(vk::kRight), {kArrowPrefix, kRight}},
    {{Esc("[D"), Esc("OD"), Esc("[1;8D")}, Grey(vk::kLeft), {kArrowPrefix, kLeft}},
    // Wine's console in a terminal, and some Windows terminals, give the
    // arrows no enhanced flag; nor has the keypad's Up with NumLock off.
    {{Esc("[A")}, Grey(vk::kUp, 0), {kArrowPrefix, kUp}},
    {{Esc("[1;5A")}, Grey(vk::kUp, kEnhanced | key_state::kLeftCtrl), {kArrowPrefix, kUp}},
    {{Esc("[H"), Esc("OH"), Esc("[1~"), Esc("[7~"), Esc("[1;5H")},
     Grey(vk::kHome, 0),
     {kArrowPrefix, kHome}},
    {{Esc("[F"), Esc("OF"), Esc("[4~"), Esc("[8~")}, Grey(vk::kEnd), {kArrowPrefix, kEnd}},
    {{Esc("[5~"), Esc("[5;5~")}, Grey(vk::kPrior), {kArrowPrefix, kPageUp}},
    {{Esc("[6~"), Esc("[6;2~")}, Grey(vk::kNext), {kArrowPrefix, kPageDown}},
    {{Esc("[2~")}, Grey(vk::kInsert), {kArrowPrefix, kInsert}},
    {{Esc("[3~"), Esc("[3;5~")}, Grey(vk::kDelete), {kArrowPrefix, kDelete}},
    {{Esc("OP"), Esc("[1;2P"), Esc("O5P"), Esc("[11~"), Esc("[[A")},
     Typed("", 0, vk::kF1),
     {kFunctionPrefix, FunctionKey(1)}},
    {{Esc("OQ"), Esc("[1;5Q"), Esc("[12~"), Esc("[[B")}, {}, {kFunctionPrefix, FunctionKey(2)}},
    {{Esc("OR"), Esc("[13~"), Esc("[[C")}, {}, {kFunctionPrefix, FunctionKey(3)}},
    {{Esc("OS"), Esc("[1;5S"), Esc("[14~"), Esc("[[D")}, {}, {kFunctionPrefix, FunctionKey(4)}},
    {{Esc("[15~"), Esc("[[E")}, {}, {kFunctionPrefix, FunctionKey(5)}},
    {{Esc("[17~")}, {}, {kFunctionPrefix, FunctionKey(6)}},
    {{Esc("[18~")}, {}, {kFunctionPrefix, FunctionKey(7)}},
    {{Esc("[19~")}, {}, {kFunctionPrefix, FunctionKey(8)}},
    {{Esc("[20~")}, {}, {kFunctionPrefix, FunctionKey(9)}},
    {{Esc("[21~"), Esc("[21;2~")}, Typed("", 0, vk::kF10), {kFunctionPrefix, FunctionKey(10)}},
    {{Esc("[23~")}, Typed("", 0, vk::kF11), {kArrowPrefix, kF11}},
    {{Esc("[24~"), Esc("[24;5~")}, Typed("", 0, vk::kF12), {kArrowPrefix, kF12}},
    // ESC stands alone before anything but a printable key; Windows' ESC
    // comes with its character, or none in wine's console in a terminal.
    {{Esc("")}, Typed("\x1b", 0, vk::kEscape), {kEscape}},
    {{}, Typed("", 0, vk::kEscape), {kEscape}},
    {{Esc("\t")}, {}, {kEscape, kTab}},
    {{Esc(Esc(""))}, {}, {kEscape, kEscape}},
    {{Esc(Esc("[A"))}, {}, {kEscape, kArrowPrefix, kUp}},
    {{"\r", "\n"}, Typed("\r", 0, kReturnKey), {kEnter}},
    {{"\x7f", "\b"}, Typed("\b"), {kBackspace}},
    {{"\t"}, Typed("\t", 0, kTabKey), {kTab}},
    {{"q"}, Typed("q"), {'q'}},
    {{"\x04"}, Typed("\x04", key_state::kLeftCtrl), {Ctrl('D')}},
    {{"["}, {}, {'['}},
    {{std::string(1, '\0')}, {}, {0}},
    // Characters beyond ASCII are no keys: a lone 0xE0, the arrow prefix's
    // code, leaves no code waiting for a second.
    {{"\xe0", "é", "郖", "\xe0\xa0"}, Typed("郖"), {}},
    // Alt with a key: 0 and the console's own code for it (x 45, q 16, 1
    // 120, / 53); none where it has none.
    {{Esc("x")}, Typed("x", key_state::kLeftAlt), {kFunctionPrefix, 45}},
    {{Esc("Q")}, Typed("Q", key_state::kRightAlt), {kFunctionPrefix, 16}},
    {{Esc("1")}, Typed("1", key_state::kLeftAlt), {kFunctionPrefix, 120}},
    {{Esc("?"), Esc("/")}, Typed("/", key_state::kLeftAlt), {kFunctionPrefix, 53}},
    {{Esc(" ")}, Typed(" ", key_state::kLeftAlt), {}},
    // The longest sequence taken is 32 bytes; longer ones are dropped
    // through their end, and a new ESC abandons the one in progress.
    {{Esc("[" + std::string(29, '1') + "A")}, {}, {kArrowPrefix, kUp}},
    {{Esc("[" + std::string(30, '1') + "A")}, {}, {}},
    {{Esc("[" + std::string(100, '1') + "~") + Esc("[B"), Esc("[1;") + Esc("[B")},
     {},
     {kArrowPrefix, kDown}},
    {{Esc("[[") + Esc("[C")}, {}, {kArrowPrefix, kRight}},
    {{Esc("[1 ") + Esc("[D")}, {}, {kArrowPrefix, kLeft}},
    // Not keys: recognised shapes that no key uses, and malformed ones cut at
    // the offending byte.
    {{Esc("[12;40R"), Esc("[I"), Esc("[O"), Esc("[?1u"), Esc("[?1;2A"), Esc("[200~"), Esc("[16~"),
      Esc("[Z"), Esc("[1 A"), Esc("O2~"), Esc("OM"), Esc("[[F"), Esc("[1 2"), Esc("[1\x01"),
      Esc("[5\x7f"), Esc("O\r"), Esc("[1;\xc3")},
     {},
     {}},
    // Nor are a terminal's control strings, up to their BEL or ST, nor the
    // three bytes of an old-style mouse report; an ESC that is no ST ends a
    // string cut short.
    {{Esc("]11;rgb:0000/0000/0000\a"), Esc("]11;rgb:ffff/ffff/ffff") + Esc("\\"),
      Esc("P1$r0m") + Esc("\\"), Esc("_app\a"), Esc("^pm\x18"), Esc("Xsos\x1a"), Esc("[M HP"),
      Esc("[M\xe0\x1b[")},
     {},
     {}},
    {{Esc("]0;title") + Esc("[A")}, {}, {kArrowPrefix, kUp}},
};

TEST(KeyCodesTest, EveryKeyGivesTheConsolesCodesFromATerminalAndFromWindows) {
    std::string all;
    Codes all_codes;
    for (const Key& key : kKeys) {
        for (const std::string& form : key.terminal) {
            ExpectSameHoweverSplit(form, key.codes);
            all += form;
            all_codes.insert(all_codes.end(), key.codes.begin(), key.codes.end());
        }
        if (key.console) {
            EXPECT_EQ(KeyCodes(*key.console), key.codes) << key.console->text;
        }
    }
    // No state is left over from one key to the next.
    ExpectSameHoweverSplit(all, all_codes);
    ConsoleKeyEvent release = Typed("q");
    release.down = false;
    EXPECT_EQ(KeyCodes(release), Codes{}) << "a release gives nothing";
}

// In a GBK locale a character's second byte may be "H", "P", "K" or "M", the
// arrows' codes: 郖 is E0 4B. Only whole characters are dropped: a byte that
// cannot continue one is read afresh.
TEST(KeyDecoderTest, CharactersBeyondAsciiAreReadWholeInTheLocalesCharset) {
    const struct {
        Charset charset;
        std::string bytes;
        Codes codes;
    } cases[] = {
        {Charset::kGbk, "\xe0K\xe0H\x81\x40q", {'q'}},
        {Charset::kGbk, "\x80P\xffM\x81\x7f", {'P', 'M', kBackspace}},
        {Charset::kGb18030, "\x81\x30\x81\x30K\x81\x30K", {'K', 'K'}},
        {Charset::kUtf8, "\xc3\xa0\xe0H\xf0\x9f\x90\x8dq", {'H', 'q'}},
        {Charset::kSingleByte, "\xe0H\xa0", {'H'}},
    };
    for (const auto& [charset, bytes, codes] : cases) {
        EXPECT_EQ(Decode({{0, bytes}}, charset), codes) << testing::PrintToString(bytes);
    }
    EXPECT_EQ(CharsetOf("GBK"), Charset::kGbk);
    EXPECT_EQ(CharsetOf("ANSI_X3.4-1968"), Charset::kUtf8);
}

TEST(KeyDecoderTest, LoneEscIsDecidedAfterFiftyMilliseconds) {
    EXPECT_EQ(Decode({{0, Esc("")}, {49, "[A"}}), (Codes{kArrowPrefix, kUp}));
    EXPECT_EQ(Decode({{0, Esc("")}, {50, "[A"}}), (Codes{kEscape, '[', 'A'}));
    // A started sequence is always completed by the terminal, so it never times out.
    EXPECT_EQ(Decode({{0, Esc("[")}, {10'000, "A"}}), (Codes{kArrowPrefix, kUp}));
    KeyDecoder decoder;
    decoder.Feed(Esc(""), At(10));
    EXPECT_EQ(decoder.Deadline(), At(60));
}

TEST(KeyDecoderTest, CursorReportsAreSetApartFromKeys) {
    KeyDecoder decoder;
    decoder.Feed("a\x1b[3;", At(0));
    decoder.Feed("2Rb", At(1));
    EXPECT_EQ(decoder.TakeCode(), 'a');
    EXPECT_EQ(decoder.TakeCode(), 'b');
    EXPECT_EQ(decoder.TakeCursorReport(), std::make_pair(3, 2));
    EXPECT_EQ(decoder.TakeCursorReport(), std::nullopt) << "taken once";
    decoder.Feed("\x1b[1;5R\x1b[12R", At(2));
    EXPECT_EQ(decoder.TakeCode(), kFunctionPrefix) << "row 1 reads as a modified F3";
    EXPECT_EQ(decoder.TakeCode(), FunctionKey(3));
    EXPECT_EQ(decoder.TakeCursorReport(), std::nullopt);
}

}  // namespace
}  // namespace platform
