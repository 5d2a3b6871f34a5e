#include "platform/windows/console.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/windows/keys.h"

namespace platform {

namespace {

COORD Coord(int column, int row) {
    return {static_cast<SHORT>(column), static_cast<SHORT>(row)};
}

SMALL_RECT WindowAtOrigin(int columns, int rows) {
    return {0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
}

std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

// Whether the console gives the glyph two cells. Measured on a scratch
// buffer, which shares the window's font, so that the screen is left
// untouched.
bool DrawsTwoColumns(std::wstring_view glyph) {
    HANDLE scratch = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                               CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (scratch == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteConsoleW(scratch, glyph.data(), static_cast<DWORD>(glyph.size()), &written, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const bool measured = GetConsoleScreenBufferInfo(scratch, &info);
    CloseHandle(scratch);
    return measured && info.dwCursorPosition.X >= 2;
}

// Wine's console in a terminal has no font: it hands each cell on to the
// terminal as one character, counting one column for each, while the
// terminal draws an ideograph two columns wide.
bool HandsCellsToATerminal(HANDLE output) {
    CONSOLE_FONT_INFOEX font{};
    font.cbSize = sizeof font;
    return GetCurrentConsoleFontEx(output, FALSE, &font) && font.dwFontSize.X == 0 &&
           font.FaceName[0] == L'\0';
}

ConsoleWidths MeasureWidths(HANDLE output) {
    ConsoleWidths widths;
    widths.wide_cells = DrawsTwoColumns(L"蛇");
    widths.ambiguous_wide = DrawsTwoColumns(L"■");
    // One measurement does for both lines: they come from the same font.
    widths.lines_wide = DrawsTwoColumns(L"━");
    if (!widths.wide_cells && HandsCellsToATerminal(output)) widths.filler = u'\u200B';
    return widths;
}

// The console's screen buffer through the API, cells written in place.
class ScreenBuffer : public ConsoleOutput {
public:
    explicit ScreenBuffer(HANDLE output) : output_(output) {}

    void WriteCells(int column, int row, const std::vector<ConsoleCell>& cells) override {
        std::vector<CHAR_INFO> infos(cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i) {
            infos[i].Char.UnicodeChar = static_cast<WCHAR>(cells[i].character);
            infos[i].Attributes = cells[i].attributes;
        }
        const SHORT last = static_cast<SHORT>(column + static_cast<int>(cells.size()) - 1);
        SMALL_RECT region{static_cast<SHORT>(column), static_cast<SHORT>(row), last,
                          static_cast<SHORT>(row)};
        WriteConsoleOutputW(output_, infos.data(), Coord(static_cast<int>(cells.size()), 1),
                            Coord(0, 0), &region);
    }

    // As cls does, the whole buffer: before the window takes the game's size
    // it holds the shell's text beyond the game's cells.
    void Clear() override {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(output_, &info)) return;
        const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
        DWORD done = 0;
        FillConsoleOutputCharacterW(output_, L' ', cells, Coord(0, 0), &done);
        FillConsoleOutputAttribute(output_, Cell::kDefaultAttribute, cells, Coord(0, 0), &done);
    }

    // Visibility changes alone, the cursor's size left as it is: wine keeps
    // drawing a caret that was hidden in the same call that changed its size.
    void PlaceCursor(const Cursor& cursor) override {
        if (cursor.shown != shown_) {
            SetVisible(cursor.shown);
            shown_ = cursor.shown;
        }
        const COORD at = Coord(std::min(cursor.column, Screen::kColumns - 1), cursor.row);
        if (at.X != at_.X || at.Y != at_.Y) {
            SetConsoleCursorPosition(output_, at);
            at_ = at;
        }
    }

private:
    void SetVisible(bool visible) {
        CONSOLE_CURSOR_INFO info;
        if (!GetConsoleCursorInfo(output_, &info)) return;
        info.bVisible = visible ? TRUE : FALSE;
        SetConsoleCursorInfo(output_, &info);
    }

    HANDLE output_;
    COORD at_{-1, -1};
    // The console state hid it first thing.
    bool shown_ = false;
};

// The codes of an input event, in order: none for anything but a key.
std::vector<int> KeyCodes(const INPUT_RECORD& record) {
    if (record.EventType != KEY_EVENT) return {};
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    ConsoleKeyEvent event{key.bKeyDown != FALSE, key.wVirtualKeyCode, "", key.dwControlKeyState};
    const wchar_t character = key.uChar.UnicodeChar;
    if (character != 0) {
        // As bytes of the input code page, as the single-key read gives them.
        char bytes[8];
        const int length =
            WideCharToMultiByte(GetConsoleCP(), 0, &character, 1, bytes,
                                static_cast<int>(std::size(bytes)), nullptr, nullptr);
        event.text.assign(bytes, static_cast<std::size_t>(std::max(length, 0)));
    }
    return platform::KeyCodes(event);
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
    : input_(input),
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

void WindowsConsole::Repaint() {
    presenter_.LoseTrack();
    Flush();
}

void WindowsConsole::SetTitle(std::string_view title) {
    const std::lock_guard hold(ConsoleState::Lock());
    SetConsoleTitleW(Widen(title).c_str());
}

void WindowsConsole::RequestWindowSize(int columns, int rows) {
    ResizeBuffer(columns, rows);
    // What was drawn beyond the old buffer's edge never showed.
    Repaint();
}

void WindowsConsole::ResizeBuffer(int columns, int rows) {
    const std::lock_guard hold(ConsoleState::Lock());
    if (columns < 1 || rows < 1) return;
    ResizeConsole(output_, Coord(columns, rows), WindowAtOrigin(columns, rows));
}

// A buffer made too small for the game under it (as a window made smaller
// does where the console reflows its text to the window) is given the
// game's size again, and play is interrupted; any other change of size only
// calls for a repaint.
void WindowsConsole::ActOnResize(const INPUT_RECORD& record) {
    if (record.EventType != WINDOW_BUFFER_SIZE_EVENT) return;
    const COORD size = record.Event.WindowBufferSizeEvent.dwSize;
    if (size.X < Screen::kColumns || size.Y < Screen::kRows) {
        ResizeBuffer(Screen::kColumns, Screen::kRows);
        Interrupted();
    }
    Repaint();
}

void WindowsConsole::SkipNonKeys() {
    INPUT_RECORD record;
    DWORD got = 0;
    while (PeekConsoleInputW(input_, &record, 1, &got) && got == 1 && KeyCodes(record).empty()) {
        ReadConsoleInputW(input_, &record, 1, &got);
        ActOnResize(record);
    }
}

bool WindowsConsole::KeyReady() {
    if (!pending_.empty()) return true;
    SkipNonKeys();
    INPUT_RECORD record;
    DWORD got = 0;
    return PeekConsoleInputW(input_, &record, 1, &got) && got == 1;
}

// The console's input events are read and turned into key codes here, rather
// than by _getch: wine's _kbhit and _getch disagree with Windows' and with
// each other on which keys count.
int WindowsConsole::WaitForKey() {
    Flush();
    while (pending_.empty()) {
        INPUT_RECORD record;
        DWORD got = 0;
        if (!ReadConsoleInputW(input_, &record, 1, &got)) throw InputClosed();
        if (got != 1) continue;
        ActOnResize(record);
        const std::vector<int> codes = KeyCodes(record);
        pending_.insert(pending_.end(), codes.begin(), codes.end());
    }
    const int code = pending_.front();
    pending_.pop_front();
    return code;
}

void WindowsConsole::Sleep(std::chrono::milliseconds duration) {
    Flush();
    ::Sleep(static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(duration.count(), 0)));
}

}  // namespace platform
