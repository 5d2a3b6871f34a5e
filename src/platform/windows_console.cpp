#include "platform/windows_console.h"

#include <conio.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>

#include "platform/screen.h"
#include "platform/text.h"

namespace platform {

namespace {

// How the console was found, for the control handler to put it back. Only one
// console is ever active; the handler runs on a thread of its own.
struct FoundState {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    DWORD input_mode = 0;
    DWORD output_mode = 0;
    CONSOLE_CURSOR_INFO cursor{25, TRUE};
};

constexpr int kCtrlC = 3;

FoundState g_found;
std::atomic<bool> g_restore_pending{false};

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

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

void WriteWide(HANDLE output, std::wstring_view text) {
    DWORD written = 0;
    WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Whether the console's font draws the glyph two columns wide. Measured on a
// scratch buffer, which shares the window's font, so that the screen is left
// untouched.
bool DrawsTwoColumns(std::wstring_view glyph) {
    HANDLE scratch = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                               CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (scratch == INVALID_HANDLE_VALUE) return false;
    WriteWide(scratch, glyph);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const bool measured = GetConsoleScreenBufferInfo(scratch, &info);
    CloseHandle(scratch);
    return measured && info.dwCursorPosition.X >= 2;
}

std::string WithAsciiLines(std::string_view text) {
    std::string result;
    while (!text.empty()) {
        const Utf8Char c = DecodeUtf8(text);
        if (c.code == U'━') {
            result += '-';
        } else if (c.code == U'┃') {
            result += '|';
        } else {
            result.append(text.substr(0, c.length));
        }
        text.remove_prefix(c.length);
    }
    return result;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

// One line of line-edited input, its line break included; nothing when the
// read fails or is cut short (Ctrl+C in the middle of it, say).
std::optional<std::string> ReadLine(HANDLE input) {
    std::wstring line;
    wchar_t chunk[256];
    do {
        DWORD got = 0;
        if (!ReadConsoleW(input, chunk, static_cast<DWORD>(std::size(chunk)), &got, nullptr) ||
            got == 0) {
            return std::nullopt;
        }
        line.append(chunk, got);
    } while (line.back() != L'\n');
    return Narrow(line);
}

// Runs on the main thread or on the control handler's, whichever comes first;
// the other one finds nothing left to do.
void PutBack() {
    if (!g_restore_pending.exchange(false)) return;
    SetConsoleTextAttribute(g_found.output, Cell::kDefaultAttribute);
    // The last screen stays in view; the shell's prompt comes on the line below.
    SetConsoleCursorPosition(g_found.output, Coord(0, Screen::kRows - 1));
    WriteWide(g_found.output, L"\r\n");
    CONSOLE_CURSOR_INFO cursor = g_found.cursor;
    cursor.bVisible = TRUE;
    SetConsoleCursorInfo(g_found.output, &cursor);
    SetConsoleMode(g_found.input, g_found.input_mode);
    SetConsoleMode(g_found.output, g_found.output_mode);
}

// Returning FALSE lets the default handling end the process.
BOOL WINAPI OnControl(DWORD) {
    PutBack();
    return FALSE;
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

WindowsConsole::WindowsConsole(HANDLE input, HANDLE output) : input_(input), output_(output) {
    g_found = FoundState{};
    g_found.input = input;
    g_found.output = output;
    GetConsoleMode(input, &g_found.input_mode);
    GetConsoleMode(output, &g_found.output_mode);
    CONSOLE_CURSOR_INFO cursor;
    if (GetConsoleCursorInfo(output, &cursor)) g_found.cursor = cursor;
    // One measurement does for both: the two come from the same font.
    box_lines_wide_ = DrawsTwoColumns(L"━");

    g_restore_pending = true;
    SetConsoleCtrlHandler(OnControl, TRUE);
    // Autowrap off: a character in the bottom-right cell must not scroll the
    // buffer.
    SetConsoleMode(output, (g_found.output_mode | ENABLE_PROCESSED_OUTPUT) &
                               ~static_cast<DWORD>(ENABLE_WRAP_AT_EOL_OUTPUT));
    SyncCursor();
}

WindowsConsole::~WindowsConsole() {
    Restore();
}

void WindowsConsole::Restore() {
    PutBack();
    SetConsoleCtrlHandler(OnControl, FALSE);
}

void WindowsConsole::SyncCursor() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output_, &info)) return;
    column_ = info.dwCursorPosition.X;
    row_ = info.dwCursorPosition.Y;
}

void WindowsConsole::MoveCursor(int column, int row) {
    column_ = column;
    row_ = row;
    SetConsoleCursorPosition(output_, Coord(column, row));
}

void WindowsConsole::SetAttribute(int attribute) {
    SetConsoleTextAttribute(output_, static_cast<WORD>(attribute));
}

void WindowsConsole::Put(std::string_view text) {
    if (!text.empty()) WriteWide(output_, Widen(text));
}

void WindowsConsole::Write(std::string_view text) {
    std::string ascii_lines;
    if (box_lines_wide_) {
        ascii_lines = WithAsciiLines(text);
        text = ascii_lines;
    }
    // The text goes out in runs, each ended by an ambiguous-width glyph, so
    // that the width the console gave the glyph can be checked.
    std::size_t run_start = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const Utf8Char c = DecodeUtf8(text.substr(at));
        at += c.length;
        column_ += CharWidth(c.code);
        if (IsAmbiguousGlyph(c.code)) {
            Put(text.substr(run_start, at - run_start));
            CoverSecondColumn();
            run_start = at;
        }
    }
    Put(text.substr(run_start));
}

// conhost draws "■", "●", "★" and "○" two columns wide with a CJK font and one
// otherwise; the cursor tells which it was.
void WindowsConsole::CoverSecondColumn() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output_, &info)) return;
    // Without autowrap the cursor stops in the last column whatever the
    // width, so there it tells nothing.
    if (column_ >= info.dwSize.X || info.dwCursorPosition.Y != row_) return;
    const int short_by = column_ - info.dwCursorPosition.X;
    if (short_by > 0) WriteWide(output_, std::wstring(static_cast<std::size_t>(short_by), L' '));
}

// The whole buffer, as cls does: after RequestWindowSize it is the window, and
// a buffer the size of the window keeps no scrollback of its own.
void WindowsConsole::Clear() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(output_, &info)) {
        const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
        DWORD done = 0;
        FillConsoleOutputCharacterW(output_, L' ', cells, Coord(0, 0), &done);
        FillConsoleOutputAttribute(output_, Cell::kDefaultAttribute, cells, Coord(0, 0), &done);
    }
    MoveCursor(0, 0);
}

void WindowsConsole::HideCursor() {
    const CONSOLE_CURSOR_INFO hidden{1, FALSE};
    SetConsoleCursorInfo(output_, &hidden);
}

void WindowsConsole::ShowCursor() {
    CONSOLE_CURSOR_INFO shown = g_found.cursor;
    shown.bVisible = TRUE;
    SetConsoleCursorInfo(output_, &shown);
}

void WindowsConsole::SetTitle(std::string_view title) {
    SetConsoleTitleW(Widen(title).c_str());
}

void WindowsConsole::RequestWindowSize(int columns, int rows) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (columns < 1 || rows < 1 || !GetConsoleScreenBufferInfo(output_, &info)) return;
    // The window must fit in the buffer at every step: it first shrinks to fit
    // the new size, then the buffer takes that size, then the window grows to
    // it, which fails harmlessly on a display too small for it.
    const SMALL_RECT fitting =
        WindowAtOrigin(std::min(columns, info.srWindow.Right - info.srWindow.Left + 1),
                       std::min(rows, info.srWindow.Bottom - info.srWindow.Top + 1));
    SetConsoleWindowInfo(output_, TRUE, &fitting);
    SetConsoleScreenBufferSize(output_, Coord(columns, rows));
    const SMALL_RECT full = WindowAtOrigin(columns, rows);
    SetConsoleWindowInfo(output_, TRUE, &full);
    // A smaller buffer may have pulled the cursor in.
    SyncCursor();
}

bool WindowsConsole::KeyWaiting() {
    return _kbhit() != 0;
}

int WindowsConsole::ReadKey() {
    const int code = _getch();
    // _getch reads with processed input off, so Ctrl+C comes as a key; it is
    // passed on as the control event it is everywhere else.
    if (code == kCtrlC) GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    return code;
}

int WindowsConsole::ReadInt() {
    ShowCursor();
    DWORD previous_mode = 0;
    GetConsoleMode(input_, &previous_mode);
    SetConsoleMode(input_, ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    // Like formatted extraction, a reply of only white space is no reply.
    std::optional<std::string> line;
    do {
        line = ReadLine(input_);
    } while (line && IsBlank(*line));
    SetConsoleMode(input_, previous_mode);
    HideCursor();
    // The console echoed the reply and moved to the next line by itself.
    SyncCursor();
    if (!line) throw InputClosed();
    return ParseLeadingInt(*line);
}

void WindowsConsole::Sleep(std::chrono::milliseconds duration) {
    ::Sleep(static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(duration.count(), 0)));
}

}  // namespace platform
