#include "starter.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "tool.h"

namespace {

constexpr int kSnakeLength = 10;
constexpr int kLastCrawlColumn = 39;
constexpr int kTopRow = 12;

// Row of the crawling snake in column x >= 1: period 8, from row 12 down to
// row 16 and back.
int WaveRow(int x) {
    return 16 - std::abs((x - 1) % 8 - 4);
}

// SNAKE in block letters, rows 12 to 16 from column 6; "#" is a cell.
constexpr std::string_view kTitle[] = {
    "-####-#---#---#---#---#-####", "#-----##--#--#-#--#-##--#---", "-###--#-#-#-#---#-##----####",
    "----#-#--##-#####-#-##--#---", "####--#---#-#---#-#---#-####",
};
constexpr int kTitleColumn = 6;

}  // namespace

StartInterface::StartInterface() : frame_ms(35) {
    wave.emplace_back(0, kTopRow);
    for (int x = 1; x < kSnakeLength; ++x) wave.emplace_back(x, WaveRow(x));
    for (int row = 0; row < static_cast<int>(std::size(kTitle)); ++row) {
        for (int column = 0; column < static_cast<int>(kTitle[row].size()); ++column) {
            if (kTitle[row][column] == '#')
                letters.emplace_back(kTitleColumn + column, kTopRow + row);
        }
    }
    std::sort(letters.begin(), letters.end());
}

void StartInterface::Print1() {
    for (const Point& cell : wave) {
        cell.PrintO();
        Sleep(frame_ms);
    }
}

void StartInterface::Print2() {
    for (int x = kSnakeLength; x <= kLastCrawlColumn; ++x) {
        wave.emplace_back(x, WaveRow(x));
        wave.back().PrintO();
        wave.front().PrintN();
        wave.pop_front();
        Sleep(frame_ms);
    }
}

// Erasing the snake's cell comes before revealing in each frame: the snake's
// last cells lie on the letter E.
void StartInterface::Print3() {
    while (!wave.empty() || !letters.empty()) {
        if (!wave.empty()) {
            wave.front().PrintN();
            wave.pop_front();
        }
        if (!letters.empty()) {
            const int column = letters.back().GetX();
            while (!letters.empty() && letters.back().GetX() == column) {
                letters.back().PrintH();
                letters.pop_back();
            }
        }
        Sleep(frame_ms);
    }
}

void StartInterface::Action() {
    Print1();
    Print2();
    Print3();
}
