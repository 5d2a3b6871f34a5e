#include "platform/windows/console.h"

#include <algorithm>

#include "platform/windows/buffer.h"

namespace platform {

namespace {

std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

}  // namespace

std::unique_ptr<Console> OpenSystemConsole(std::string& why_not) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    why_not = WindowsConsole::WhyUnusable(input, output);
    if (!why_not.empty()) return nullptr;
    return std::make_unique<WindowsConsole>(input, output);
}

std::string WindowsConsole::WhyUnusable(HANDLE input, HANDLE output) {
    DWORD mode = 0;
    if (!GetConsoleMode(input, &mode)) return "standard input is not a console";
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output, &info)) return "standard output is not a console";
    return {};
}

WindowsConsole::WindowsConsole(HANDLE input, HANDLE output)
    : ScreenConsole(&presenter_),
      input_(input),
      output_(output),
      state_(input, output),
      buffer_(std::make_unique<ScreenBuffer>(output)),
      presenter_(*buffer_, MeasureWidths(output)) {}

// The last screen stays in view; the console state puts the rest back.
WindowsConsole::~WindowsConsole() {
    Flush();
}

void WindowsConsole::Flush() {
    const std::lock_guard hold(ConsoleState::Lock());
    presenter_.Present(mutable_screen(), cursor());
}

void WindowsConsole::SetTitle(std::string_view title) {
    const std::lock_guard hold(ConsoleState::Lock());
    SetConsoleTitleW(Widen(title).c_str());
}

void WindowsConsole::RequestWindowSize(int columns, int rows) {
    ResizeBuffer(columns, rows);
    WaitForRoom();
    // What was drawn beyond the old buffer's edge never showed.
    Repaint();
}

void WindowsConsole::ShowNotice(const std::vector<std::string>& lines) {
    const std::lock_guard hold(ConsoleState::Lock());
    buffer_->Clear();
    for (std::size_t row = 0; row < lines.size(); ++row) {
        std::vector<ConsoleCell> cells;
        for (const wchar_t character : Widen(lines[row])) {
            cells.push_back({static_cast<char16_t>(character), Cell::kDefaultAttribute});
        }
        buffer_->WriteCells(0, static_cast<int>(row), cells);
    }
    presenter_.LoseTrack();
}

void WindowsConsole::ResizeBuffer(int columns, int rows) {
    const std::lock_guard hold(ConsoleState::Lock());
    if (columns < 1 || rows < 1) return;
    ResizeConsole(output_, Coord(columns, rows), WindowAtOrigin(columns, rows));
}

}  // namespace platform
