#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

namespace platform {
namespace {

using Codes = std::vector<int>;

const KeyDecoder::Clock::time_point kStart{std::chrono::hours(1)};

KeyDecoder::Clock::time_point At(int ms) {
    return kStart + std::chrono::milliseconds(ms);
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

Codes DecodeWhole(const std::string& bytes) {
    return Decode({{0, bytes}});
}

Codes DecodeBytewise(const std::string& bytes, int step_ms) {
    std::vector<Chunk> chunks;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        chunks.push_back({static_cast<int>(i) * step_ms, bytes.substr(i, 1)});
    }
    return Decode(chunks);
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

// Ends with the lone ESC, so that joining the keys keeps every one intact.
std::vector<Case> Keys() {
    std::vector<Case> keys = {
        {"\r", {13}},    {"\n", {13}},   {"\x7f", {8}}, {"\b", {8}},
        {"a", {97}},     {"[", {91}},    {"\t", {9}},   {std::string(1, '\0'), {0}},
        {"\xe0", {224}}, {"\xff", {255}}};
    for (const auto& [codes, forms] : kSpecialKeys) {
        for (const auto& form : forms) keys.push_back({Esc(form), codes});
    }
    keys.push_back({Esc(""), {27}});
    return keys;
}

// Not keys: recognised shapes that no key uses, and malformed ones cut at the
// offending byte. Without the leading ESC.
const std::vector<std::string> kDropped = {
    "[12;40R", "[I", "[O",  "[?1u", "[?1;2A", "[200~",  "[16~", "[Z",      "[1 A",
    "O2~",     "OM", "[[F", "[1 2", "[1\x01", "[5\x7f", "O\r",  "[1;\xc3",
};

// Each is wrapped in 'a' ... 'b' by Sequences(), to show the neighbours survive.
const std::vector<Case> kSequences = {
    // ESC before anything but '[' or 'O' stands alone, then the byte counts.
    {Esc("x"), {27, 120}},
    {Esc("\r"), {27, 13}},
    {Esc(Esc("")), {27, 27}},
    {Esc(Esc("[A")), {27, 224, 72}},
    // Longest accepted is 32 bytes; longer ones are dropped through their end.
    {Esc("[" + std::string(29, '1') + "A"), {224, 72}},
    {Esc("[" + std::string(28, '0') + "1~"), {224, 71}},
    {Esc("[" + std::string(30, '1') + "A"), {}},
    {Esc("[" + std::string(100, '1') + "~"), {}},
    {Esc("[" + std::string(30, '1') + "A") + Esc("[B"), {224, 80}},
    // A new ESC abandons the sequence in progress.
    {Esc("[1;") + Esc("[B"), {224, 80}},
    {Esc("O") + Esc("OP"), {0, 59}},
    {Esc("[[") + Esc("[C"), {224, 77}},
    {Esc("[1 ") + Esc("[D"), {224, 75}},
};

std::vector<Case> Sequences() {
    std::vector<Case> cases = kSequences;
    for (const auto& dropped : kDropped) cases.push_back({Esc(dropped), {}});
    for (auto& [bytes, codes] : cases) {
        bytes = "a" + bytes + "b";
        codes.insert(codes.begin(), 'a');
        codes.push_back('b');
    }
    return cases;
}

TEST(KeyDecoderTest, DecodesKeysAndSequencesHoweverSplit) {
    for (const auto& cases : {Keys(), Sequences()}) {
        for (const auto& [bytes, codes] : cases) {
            SCOPED_TRACE(testing::PrintToString(bytes));
            EXPECT_EQ(DecodeWhole(bytes), codes);
            EXPECT_EQ(DecodeBytewise(bytes, 49), codes);
            for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
                EXPECT_EQ(Decode({{0, bytes.substr(0, cut)}, {49, bytes.substr(cut)}}), codes);
            }
        }
    }
}

TEST(KeyDecoderTest, KeysInARowDecodeIndependently) {
    std::string bytes;
    Codes codes;
    for (const auto& key : Keys()) {
        bytes += key.bytes;
        codes.insert(codes.end(), key.codes.begin(), key.codes.end());
    }
    EXPECT_EQ(DecodeWhole(bytes), codes);
    EXPECT_EQ(DecodeBytewise(bytes, 10), codes);
}

TEST(KeyDecoderTest, LoneEscIsDecidedByTimeAlone) {
    KeyDecoder decoder;
    decoder.Feed(Esc(""), At(0));
    decoder.Expire(At(49));
    EXPECT_EQ(Take(decoder), Codes{});
    decoder.Expire(At(50));
    EXPECT_EQ(Take(decoder), Codes{27});

    EXPECT_EQ(Decode({{0, Esc("")}, {49, "[A"}}), (Codes{224, 72}));
    EXPECT_EQ(Decode({{0, Esc("")}, {50, "[A"}}), (Codes{27, 91, 65}));
}

TEST(KeyDecoderTest, DeadlineFollowsTheWaitingEsc) {
    KeyDecoder decoder;
    EXPECT_EQ(decoder.Deadline(), std::nullopt);
    decoder.Feed(Esc(""), At(10));
    EXPECT_EQ(decoder.Deadline(), At(60));
    decoder.Feed(Esc(""), At(40));
    EXPECT_EQ(decoder.Deadline(), At(90));
    EXPECT_EQ(decoder.TakeCode(), 27);
    // A started sequence is always completed by the terminal, so it never times out.
    decoder.Feed("[", At(45));
    EXPECT_EQ(decoder.Deadline(), std::nullopt);
    decoder.Expire(At(10'000));
    EXPECT_FALSE(decoder.HasCode());
    decoder.Feed("A", At(10'000));
    EXPECT_EQ(Take(decoder), (Codes{224, 72}));
}

TEST(KeyDecoderTest, RandomBytesDecodeTheSameHoweverSplit) {
    std::mt19937 rng(20240611);
    // Half the bytes steer the parser, so that sequences actually form.
    const std::string steering = "\x1b\x1b[[O0123456789;:?~ ABCDPHF\r\x7f";
    for (int round = 0; round < 500; ++round) {
        std::string bytes(rng() % 48, '\0');
        for (char& c : bytes) {
            c = rng() % 2 ? steering[rng() % steering.size()] : static_cast<char>(rng() % 256);
        }
        SCOPED_TRACE(testing::PrintToString(bytes));
        const Codes whole = DecodeWhole(bytes);
        for (int code : whole) {
            ASSERT_GE(code, 0);
            ASSERT_LE(code, 255);
        }
        std::vector<Chunk> chunks;
        int at_ms = 0;
        for (std::size_t i = 0; i < bytes.size(); i += chunks.back().bytes.size()) {
            chunks.push_back({at_ms, bytes.substr(i, rng() % 6)});
            at_ms += static_cast<int>(rng() % 50);
        }
        ASSERT_EQ(Decode(chunks), whole);
        ASSERT_EQ(DecodeBytewise(bytes, 49), whole);
    }
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
