// How wide the terminal draws the glyphs whose width it decides.
#include <algorithm>
#include <array>
#include <vector>

#include "platform/terminal/terminal.h"

namespace platform {

namespace {

// Long enough for a terminal across ssh to answer a cursor position query.
constexpr std::chrono::milliseconds kReplyWait{500};
// A glyph whose width the terminal decides, measured on a row of its own so
// that the answer tells which it was.
struct Probe {
    int row;
    std::string_view glyph;
    LineForm form;
};

constexpr Probe kSquare{2, "■", LineForm::kUnicode};
constexpr Probe kRule{3, "━", LineForm::kUnicode};
constexpr Probe kBar{4, "┃", LineForm::kUnicode};
constexpr Probe kDecRule{5, "━", LineForm::kDecGraphics};
constexpr Probe kDecBar{6, "┃", LineForm::kDecGraphics};

}  // namespace

// The layout needs "■" and its kind to fill two columns and the box's lines
// one. The DEC line drawing set is only tried where the locale is UTF-8: a
// converter such as luit, which serves GBK locales, drops the switch to it.
void Terminal::MeasureGlyphs() {
    std::vector<Probe> probes = {kSquare, kRule, kBar};
    if (!encoding_.converts()) probes.insert(probes.end(), {kDecRule, kDecBar});
    for (const Probe& probe : probes) presenter_.ProbeWidth(probe.row, probe.glyph, probe.form);
    Send(presenter_.TakeBytes());
    const auto width = ReadWidths(probes.size());
    const auto narrow = [&width](const Probe& rule, const Probe& bar) {
        return width[rule.row] <= 1 && width[bar.row] <= 1;
    };
    presenter_.SetAmbiguousWide(width[kSquare.row] == 2);
    if (narrow(kRule, kBar)) {
        presenter_.SetLineForm(LineForm::kUnicode);
    } else if (!encoding_.converts() && width[kDecRule.row] == 1 && width[kDecBar.row] == 1) {
        presenter_.SetLineForm(LineForm::kDecGraphics);
    } else {
        presenter_.SetLineForm(LineForm::kAscii);
    }
}

// The width of each probe, by its row: how far the cursor moved, as the
// terminal reports it. Keys that arrive meanwhile stay queued; no answer
// leaves a width of 0.
std::array<int, Screen::kRows> Terminal::ReadWidths(std::size_t probes) {
    std::array<int, Screen::kRows> width{};
    const auto give_up = Clock::now() + kReplyWait;
    try {
        for (std::size_t answers = 0; answers < probes && Clock::now() < give_up;) {
            WaitForInput(decoder_, std::min(give_up, decoder_.Deadline().value_or(give_up)),
                         Reading::kPastKeys);
            while (const auto report = decoder_.TakeCursorReport()) {
                if (report->first >= 1 && report->first <= Screen::kRows) {
                    width[static_cast<std::size_t>(report->first - 1)] = report->second - 1;
                }
                ++answers;
            }
        }
    } catch (const InputClosed&) {
        // The game's first read will find the terminal gone, and end.
    }
    return width;
}

}  // namespace platform
