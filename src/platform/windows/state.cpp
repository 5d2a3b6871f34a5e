#include "platform/windows/state.h"

#include <algorithm>
#include <iterator>

#include "platform/screen.h"
#include "platform/windows/buffer.h"

namespace platform {

namespace {

struct Found {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    DWORD input_mode = 0;
    DWORD output_mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    CONSOLE_CURSOR_INFO cursor{25, TRUE};
    wchar_t title[1024] = {};
};

Found g_found;
bool g_put_back_owed = false;

// The window's size as found, placed so that the cursor's row is in view.
SMALL_RECT FoundWindowShowing(SHORT row) {
    const SMALL_RECT& found = g_found.screen.srWindow;
    const SHORT height = static_cast<SHORT>(found.Bottom - found.Top + 1);
    const SHORT lowest_top = static_cast<SHORT>(g_found.screen.dwSize.Y - height);
    const SHORT top = std::min(std::clamp<SHORT>(found.Top, row - height + 1, row), lowest_top);
    return {found.Left, std::max<SHORT>(top, 0), found.Right,
            static_cast<SHORT>(std::max<SHORT>(top, 0) + height - 1)};
}

// Runs on the main thread or on the control handler's, whichever comes first,
// with the lock held; the other one finds nothing left to do.
void PutBack() {
    if (!g_put_back_owed) return;
    g_put_back_owed = false;
    SetConsoleTextAttribute(g_found.output, g_found.screen.wAttributes);
    // The last screen stays in view and the shell's prompt comes on the line
    // below it. The buffer gets its height back first, so that this line
    // exists and reaching it scrolls nothing away.
    const SHORT row = std::min<SHORT>(Screen::kRows, g_found.screen.dwSize.Y - 1);
    ResizeConsole(g_found.output, g_found.screen.dwSize, FoundWindowShowing(row));
    SetConsoleCursorPosition(g_found.output, Coord(0, row));
    // A console that passes its cells on to a terminal (wine's, in a
    // terminal) sends colours only with text: one blank in the found colour
    // leaves the terminal in it rather than in the game's last colour.
    DWORD written = 0;
    WriteConsoleW(g_found.output, L" \r", 2, &written, nullptr);
    SetConsoleCursorInfo(g_found.output, &g_found.cursor);
    // A console that started with no title of its own (wine's, in a
    // terminal, which never knew the terminal's) has none to give back.
    if (g_found.title[0] != L'\0') SetConsoleTitleW(g_found.title);
    SetConsoleMode(g_found.input, g_found.input_mode);
    SetConsoleMode(g_found.output, g_found.output_mode);
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Before anything else changes, with its size left as it is. Wine's console
// window catches up with the console a moment late, taking the changes made
// meanwhile together, and a caret hidden amid the changes of the game's
// start (modes, a cleared screen, a new size) can stay drawn where the shell
// left it; so under wine the window is given that moment first.
void HideCursor(HANDLE output) {
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(output, &cursor)) return;
    cursor.bVisible = FALSE;
    SetConsoleCursorInfo(output, &cursor);
    constexpr DWORD kCatchUpMs = 150;
    if (UnderWine()) Sleep(kCatchUpMs);
}

// Returning FALSE lets the default handling end the process; the lock stays
// taken until it has.
BOOL WINAPI OnControl(DWORD) {
    ConsoleState::Lock().lock();
    PutBack();
    return FALSE;
}

}  // namespace

std::mutex& ConsoleState::Lock() {
    static std::mutex lock;
    return lock;
}

ConsoleState::ConsoleState(HANDLE input, HANDLE output) {
    g_found = Found{};
    g_found.input = input;
    g_found.output = output;
    GetConsoleMode(input, &g_found.input_mode);
    GetConsoleMode(output, &g_found.output_mode);
    GetConsoleScreenBufferInfo(output, &g_found.screen);
    CONSOLE_CURSOR_INFO cursor;
    if (GetConsoleCursorInfo(output, &cursor)) g_found.cursor = cursor;
    GetConsoleTitleW(g_found.title, static_cast<DWORD>(std::size(g_found.title)));

    const std::lock_guard hold(Lock());
    g_put_back_owed = true;
    SetConsoleCtrlHandler(OnControl, TRUE);
    HideCursor(output);
    // Key events, and the buffer's changes of size, with Ctrl+C left to raise
    // its control event; quick edit is left as the user set it.
    SetConsoleMode(input, ENABLE_PROCESSED_INPUT | ENABLE_WINDOW_INPUT);
    // Autowrap off: a character in the bottom-right cell must not scroll the
    // buffer.
    SetConsoleMode(output, (g_found.output_mode | ENABLE_PROCESSED_OUTPUT) &
                               ~static_cast<DWORD>(ENABLE_WRAP_AT_EOL_OUTPUT));
}

ConsoleState::~ConsoleState() {
    {
        const std::lock_guard hold(Lock());
        PutBack();
    }
    SetConsoleCtrlHandler(OnControl, FALSE);
}

}  // namespace platform
