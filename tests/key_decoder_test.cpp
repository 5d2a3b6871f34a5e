#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace platform {
namespace {

using Codes = std::vector<int>;

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
    {{224, 72}, {"[A", "OA", "[1;5A"}},                // Up
    {{224, 80}, {"[B", "OB", "[1;2B"}},                // Down
    {{224, 77}, {"[C", "OC", "[1;3C"}},                // Right
    {{224, 75}, {"[D", "OD", "[1;8D"}},                // Left
    {{224, 71}, {"[H", "OH", "[1~", "[7~", "[1;5H"}},  // Home
    {{224, 79}, {"[F", "OF", "[4~", "[8~"}},           // End
    {{224, 73}, {"[5~", "[5;5~"}},                     // PgUp
    {{224, 81}, {"[6~", "[6;2~"}},                     // PgDn
    {{224, 82}, {"[2~"}},                              // Insert
    {{224, 83}, {"[3~", "[3;5~"}},                     // Delete
    {{0, 59}, {"OP", "[1;2P", "O5P", "[11~", "[[A"}},  // F1
    {{0, 60}, {"OQ", "[1;5Q", "[12~", "[[B"}},         // F2
    {{0, 61}, {"OR", "[13~", "[[C"}},                  // F3
    {{0, 62}, {"OS", "[1;5S", "[14~", "[[D"}},         // F4
    {{0, 63}, {"[15~", "[[E"}},                        // F5
    {{0, 64}, {"[17~"}},                               // F6
    {{0, 65}, {"[18~"}},                               // F7
    {{0, 66}, {"[19~"}},                               // F8
    {{0, 67}, {"[20~"}},                               // F9
    {{0, 68}, {"[21~", "[21;2~"}},                     // F10
    {{224, 133}, {"[23~"}},                            // F11
    {{224, 134}, {"[24~", "[24;5~"}},                  // F12
};

// Not keys: recognised shapes that no key uses, and malformed ones cut at the
// offending byte. Without the leading ESC.
const std::vector<std::string> kDropped = {
    "[12;40R", "[I", "[O",  "[?1u", "[?1;2A", "[200~",  "[16~", "[Z",      "[1 A",
    "O2~",     "OM", "[[F", "[1 2", "[1\x01", "[5\x7f", "O\r",  "[1;\xc3",
};

const std::vector<Case> kSequences = {
    // ESC before a printable key is Alt with it, read as the console reads
    // Alt keys; before anything else it stands alone, then the byte counts.
    {Esc("x"), {0, 45}},
    {Esc("Q"), {0, 16}},
    {Esc("1"), {0, 120}},
    {Esc("?"), {0, 53}},
    {Esc(" "), {}},
    {Esc("\t"), {27, 9}},
    {Esc(Esc("")), {27, 27}},
    {Esc(Esc("[A")), {27, 224, 72}},
    // Longest accepted is 32 bytes; longer ones are dropped through their end.
    {Esc("[" + std::string(29, '1') + "A"), {224, 72}},
    {Esc("[" + std::string(30, '1') + "A"), {}},
    {Esc("[" + std::string(100, '1') + "~") + Esc("[B"), {224, 80}},
    // A new ESC abandons the sequence in progress.
    {Esc("[1;") + Esc("[B"), {224, 80}},
    {Esc("[[") + Esc("[C"), {224, 77}},
    {Esc("[1 ") + Esc("[D"), {224, 75}},
};

// Every key, then all keys in a row, so that no state is left over from one
// key to the next, then the sequences above.
std::vector<Case> Cases() {
    std::vector<Case> cases = {
        {"\r", {13}},    {"\n", {13}},   {"\x7f", {8}}, {"\b", {8}},
        {"a", {97}},     {"[", {91}},    {"\t", {9}},   {std::string(1, '\0'), {0}},
        {"\xe0", {224}}, {"\xff", {255}}};
    for (const auto& [codes, forms] : kSpecialKeys) {
        for (const auto& form : forms) cases.push_back({Esc(form), codes});
    }
    cases.push_back({Esc(""), {27}});
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
        codes.push_back(13);
        ExpectSameHoweverSplit(bytes, codes);
    }
}

TEST(KeyDecoderTest, LoneEscIsDecidedAfterFiftyMilliseconds) {
    EXPECT_EQ(Decode({{0, Esc("")}, {49, "[A"}}), (Codes{224, 72}));
    EXPECT_EQ(Decode({{0, Esc("")}, {50, "[A"}}), (Codes{27, 91, 65}));
    // A started sequence is always completed by the terminal, so it never times out.
    EXPECT_EQ(Decode({{0, Esc("[")}, {10'000, "A"}}), (Codes{224, 72}));

    KeyDecoder decoder;
    decoder.Feed(Esc(""), At(10));
    EXPECT_EQ(decoder.Deadline(), At(60));
    decoder.Expire(At(59));
    EXPECT_FALSE(decoder.HasCode());
    decoder.Expire(At(60));
    EXPECT_EQ(Take(decoder), Codes{27});
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
    EXPECT_EQ(Take(decoder), (Codes{0, 61})) << "row 1 reads as a modified F3";
    EXPECT_EQ(decoder.TakeCursorReport(), std::nullopt);
}

}  // namespace
}  // namespace platform
