#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/keys.h"
#include "platform/windows_keys.h"

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

Codes Take(KeyDecoder& decoder) {
    Codes codes;
    while (decoder.HasCode()) codes.push_back(decoder.TakeCode());
    return codes;
}

struct Chunk {
    int at_ms;
    std::string bytes;
};

// Ends long after the last chunk so that a trailing lone ESC is decided too.
Codes Decode(const std::vector<Chunk>& chunks) {
    KeyDecoder decoder;
    for (const auto& [at_ms, bytes] : chunks) decoder.Feed(bytes, At(at_ms));
    decoder.Expire(At((chunks.empty() ? 0 : chunks.back().at_ms) + 1000));
    return Take(decoder);
}

// Whole, one byte per read (each just inside the ESC delay after the one
// before), and cut in two at every point.
void ExpectSameHoweverSplit(const std::string& bytes, const Codes& codes) {
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

struct Case {
    std::string bytes;
    Codes codes;
};

// Every form a terminal sends for each special key, without the leading ESC.
const std::vector<std::pair<Codes, std::vector<std::string>>> kSpecialKeys = {
    {{kArrowPrefix, kUp}, {"[A", "OA", "[1;5A"}},                                // Up
    {{kArrowPrefix, kDown}, {"[B", "OB", "[1;2B"}},                              // Down
    {{kArrowPrefix, kRight}, {"[C", "OC", "[1;3C"}},                             // Right
    {{kArrowPrefix, kLeft}, {"[D", "OD", "[1;8D"}},                              // Left
    {{kArrowPrefix, kHome}, {"[H", "OH", "[1~", "[7~", "[1;5H"}},                // Home
    {{kArrowPrefix, kEnd}, {"[F", "OF", "[4~", "[8~"}},                          // End
    {{kArrowPrefix, kPageUp}, {"[5~", "[5;5~"}},                                 // PgUp
    {{kArrowPrefix, kPageDown}, {"[6~", "[6;2~"}},                               // PgDn
    {{kArrowPrefix, kInsert}, {"[2~"}},                                          // Insert
    {{kArrowPrefix, kDelete}, {"[3~", "[3;5~"}},                                 // Delete
    {{kFunctionPrefix, FunctionKey(1)}, {"OP", "[1;2P", "O5P", "[11~", "[[A"}},  // F1
    {{kFunctionPrefix, FunctionKey(2)}, {"OQ", "[1;5Q", "[12~", "[[B"}},         // F2
    {{kFunctionPrefix, FunctionKey(3)}, {"OR", "[13~", "[[C"}},                  // F3
    {{kFunctionPrefix, FunctionKey(4)}, {"OS", "[1;5S", "[14~", "[[D"}},         // F4
    {{kFunctionPrefix, FunctionKey(5)}, {"[15~", "[[E"}},                        // F5
    {{kFunctionPrefix, FunctionKey(6)}, {"[17~"}},                               // F6
    {{kFunctionPrefix, FunctionKey(7)}, {"[18~"}},                               // F7
    {{kFunctionPrefix, FunctionKey(8)}, {"[19~"}},                               // F8
    {{kFunctionPrefix, FunctionKey(9)}, {"[20~"}},                               // F9
    {{kFunctionPrefix, FunctionKey(10)}, {"[21~", "[21;2~"}},                    // F10
    {{kArrowPrefix, kF11}, {"[23~"}},                                            // F11
    {{kArrowPrefix, kF12}, {"[24~", "[24;5~"}},                                  // F12
};

// Not keys: recognised shapes that no key uses, and malformed ones cut at the
// offending byte. Without the leading ESC.
const std::vector<std::string> kDropped = {
    "[12;40R", "[I", "[O",  "[?1u", "[?1;2A", "[200~",  "[16~", "[Z",      "[1 A",
    "O2~",     "OM", "[[F", "[1 2", "[1\x01", "[5\x7f", "O\r",  "[1;\xc3",
};

const std::vector<Case> kSequences = {
    // ESC before a printable key is Alt with it, which the console gives as
    // 0 and a code of its own (x 45, q 16, 1 120, / 53); before anything else
    // it stands alone, then the byte counts.
    {Esc("x"), {kFunctionPrefix, 45}},
    {Esc("Q"), {kFunctionPrefix, 16}},
    {Esc("1"), {kFunctionPrefix, 120}},
    {Esc("?"), {kFunctionPrefix, 53}},
    {Esc(" "), {}},
    {Esc("\t"), {kEscape, kTab}},
    {Esc(Esc("")), {kEscape, kEscape}},
    {Esc(Esc("[A")), {kEscape, kArrowPrefix, kUp}},
    // Longest accepted is 32 bytes; longer ones are dropped through their end.
    {Esc("[" + std::string(29, '1') + "A"), {kArrowPrefix, kUp}},
    {Esc("[" + std::string(30, '1') + "A"), {}},
    {Esc("[" + std::string(100, '1') + "~") + Esc("[B"), {kArrowPrefix, kDown}},
    // A new ESC abandons the sequence in progress.
    {Esc("[1;") + Esc("[B"), {kArrowPrefix, kDown}},
    {Esc("[[") + Esc("[C"), {kArrowPrefix, kRight}},
    {Esc("[1 ") + Esc("[D"), {kArrowPrefix, kLeft}},
};

// Every key, then all keys in a row, so that no state is left over from one
// key to the next, then the sequences above.
std::vector<Case> Cases() {
    std::vector<Case> cases = {{"\r", {kEnter}},
                               {"\n", {kEnter}},
                               {"\x7f", {kBackspace}},
                               {"\b", {kBackspace}},
                               {"a", {97}},
                               {"[", {91}},
                               {"\t", {9}},
                               {std::string(1, '\0'), {0}},
                               {"\xe0", {224}},
                               {"\xff", {255}}};
    for (const auto& [codes, forms] : kSpecialKeys) {
        for (const auto& form : forms) cases.push_back({Esc(form), codes});
    }
    cases.push_back({Esc(""), {kEscape}});
    Case all;
    for (const auto& [bytes, codes] : cases) {
        all.bytes += bytes;
        all.codes.insert(all.codes.end(), codes.begin(), codes.end());
    }
    cases.push_back(all);
    cases.insert(cases.end(), kSequences.begin(), kSequences.end());
    for (const auto& dropped : kDropped) cases.push_back({Esc(dropped), {}});
    return cases;
}

// Wrapped in 'a' ... Enter to show that the neighbours of every case survive.
TEST(KeyDecoderTest, DecodesKeysAndSequencesHoweverSplit) {
    for (const auto& [inner_bytes, inner_codes] : Cases()) {
        const std::string bytes = "a" + inner_bytes + "\r";
        Codes codes = {'a'};
        codes.insert(codes.end(), inner_codes.begin(), inner_codes.end());
        codes.push_back(kEnter);
        ExpectSameHoweverSplit(bytes, codes);
    }
}

TEST(KeyDecoderTest, LoneEscIsDecidedAfterFiftyMilliseconds) {
    EXPECT_EQ(Decode({{0, Esc("")}, {49, "[A"}}), (Codes{kArrowPrefix, kUp}));
    EXPECT_EQ(Decode({{0, Esc("")}, {50, "[A"}}), (Codes{kEscape, '[', 'A'}));
    // A started sequence is always completed by the terminal, so it never times out.
    EXPECT_EQ(Decode({{0, Esc("[")}, {10'000, "A"}}), (Codes{kArrowPrefix, kUp}));

    KeyDecoder decoder;
    decoder.Feed(Esc(""), At(10));
    EXPECT_EQ(decoder.Deadline(), At(60));
    decoder.Expire(At(59));
    EXPECT_FALSE(decoder.HasCode());
    decoder.Expire(At(60));
    EXPECT_EQ(Take(decoder), Codes{kEscape});
    EXPECT_EQ(decoder.Deadline(), std::nullopt);
}

TEST(KeyDecoderTest, CursorReportsAreSetApartFromKeys) {
    KeyDecoder decoder;
    decoder.Feed("a\x1b[3;", At(0));
    decoder.Feed("2Rb", At(1));
    EXPECT_EQ(Take(decoder), (Codes{'a', 'b'}));
    EXPECT_EQ(decoder.TakeCursorReport(), std::make_pair(3, 2));
    EXPECT_EQ(decoder.TakeCursorReport(), std::nullopt) << "taken once";
    decoder.Feed("\x1b[1;5R\x1b[12R", At(2));
    EXPECT_EQ(Take(decoder), (Codes{kFunctionPrefix, FunctionKey(3)}))
        << "row 1 reads as a modified F3";
    EXPECT_EQ(decoder.TakeCursorReport(), std::nullopt);
}

// The same key, as a terminal sends it and as the Windows console reports
// it, gives the same codes.
struct SameKey {
    const char* name;
    std::string terminal;
    ConsoleKeyEvent console;
    Codes codes;
};

// The enhanced flag, which Windows sets for the grey keys.
constexpr std::uint32_t kEnhanced = 0x0100;

ConsoleKeyEvent Grey(std::uint16_t virtual_key, std::uint32_t state = kEnhanced) {
    return {true, virtual_key, "", state};
}

ConsoleKeyEvent Typed(std::string text, std::uint32_t state = 0, std::uint16_t virtual_key = 0) {
    return {true, virtual_key, std::move(text), state};
}

TEST(KeyCodesTest, BothBackendsGiveTheSameCodesForTheSameKey) {
    const SameKey keys[] = {
        {"Up", Esc("[A"), Grey(vk::kUp), {kArrowPrefix, kUp}},
        {"Down", Esc("OB"), Grey(vk::kDown), {kArrowPrefix, kDown}},
        {"Left", Esc("[D"), Grey(vk::kLeft), {kArrowPrefix, kLeft}},
        {"Right", Esc("[C"), Grey(vk::kRight), {kArrowPrefix, kRight}},
        {"Ctrl+Up",
         Esc("[1;5A"),
         Grey(vk::kUp, kEnhanced | key_state::kLeftCtrl),
         {kArrowPrefix, kUp}},
        // Wine's console in a terminal, and some Windows terminals, give the
        // arrows no enhanced flag; so does the keypad's Up with NumLock off.
        {"Up, not enhanced", Esc("[A"), Grey(vk::kUp, 0), {kArrowPrefix, kUp}},
        {"Home, not enhanced", Esc("[H"), Grey(vk::kHome, 0), {kArrowPrefix, kHome}},
        // Wine's console in a terminal gives ESC no character.
        {"Escape, no character", Esc(""), Typed("", 0, vk::kEscape), {kEscape}},
        {"Home", Esc("[H"), Grey(vk::kHome), {kArrowPrefix, kHome}},
        {"End", Esc("[4~"), Grey(vk::kEnd), {kArrowPrefix, kEnd}},
        {"PgUp", Esc("[5~"), Grey(vk::kPrior), {kArrowPrefix, kPageUp}},
        {"PgDn", Esc("[6~"), Grey(vk::kNext), {kArrowPrefix, kPageDown}},
        {"Insert", Esc("[2~"), Grey(vk::kInsert), {kArrowPrefix, kInsert}},
        {"Delete", Esc("[3~"), Grey(vk::kDelete), {kArrowPrefix, kDelete}},
        {"F1", Esc("OP"), Typed("", 0, vk::kF1), {kFunctionPrefix, FunctionKey(1)}},
        {"F10", Esc("[21~"), Typed("", 0, vk::kF10), {kFunctionPrefix, FunctionKey(10)}},
        {"F11", Esc("[23~"), Typed("", 0, vk::kF11), {kArrowPrefix, kF11}},
        {"F12", Esc("[24~"), Typed("", 0, vk::kF12), {kArrowPrefix, kF12}},
        {"Enter", "\r", Typed("\r", 0, vk::kReturn), {kEnter}},
        {"Escape", Esc(""), Typed("\x1b", 0, vk::kEscape), {kEscape}},
        {"Backspace", "\x7f", Typed("\b"), {kBackspace}},
        {"Tab", "\t", Typed("\t", 0, vk::kTab), {kTab}},
        {"q", "q", Typed("q"), {'q'}},
        {"Shift+P", "P", Typed("P"), {'P'}},
        {"7", "7", Typed("7"), {'7'}},
        {"Ctrl+D", "\x04", Typed("\x04", key_state::kLeftCtrl), {Ctrl('D')}},
        {"Alt+x", Esc("x"), Typed("x", key_state::kLeftAlt), {kFunctionPrefix, *AltCode('x')}},
        {"Alt+Shift+q",
         Esc("Q"),
         Typed("Q", key_state::kRightAlt),
         {kFunctionPrefix, *AltCode('q')}},
        {"Alt+1", Esc("1"), Typed("1", key_state::kLeftAlt), {kFunctionPrefix, *AltCode('1')}},
        {"Alt+/", Esc("/"), Typed("/", key_state::kLeftAlt), {kFunctionPrefix, *AltCode('/')}},
        {"Alt+Space", Esc(" "), Typed(" ", key_state::kLeftAlt), {}},
    };
    for (const SameKey& same : keys) {
        EXPECT_EQ(Decode({{0, same.terminal}}), same.codes) << same.name << " on a terminal";
        EXPECT_EQ(KeyCodes(same.console), same.codes) << same.name << " on the Windows console";
    }
    ConsoleKeyEvent release = Typed("q");
    release.down = false;
    EXPECT_EQ(KeyCodes(release), Codes{}) << "a release gives nothing";
}

}  // namespace
}  // namespace platform
