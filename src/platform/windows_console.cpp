#include "platform/windows_console.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/presenter.h"
#include "platform/screen.h"
#include "platform/text.h"
#include "platform/windows_keys.h"

namespace platform {

namespace {

// How the console was found, for the control handler to put it back. Only one
// console is ever active; the handler runs on a thread of its own.
struct FoundState {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    DWORD input_mode = 0;
    DWORD output_mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    CONSOLE_CURSOR_INFO cursor{25, TRUE};
    wchar_t title[1024] = {};
};

FoundState g_found;
// Held by every call that changes the console. The control handler takes it
// for good: once the console is put back, the game must not draw over it in
// the moment before the process ends.
std::mutex g_console_lock;
bool g_restore_pending = false;

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

// The window's size as found, placed so that the cursor's row is in view.
SMALL_RECT FoundWindowShowing(SHORT row) {
    const SMALL_RECT& found = g_found.screen.srWindow;
    const SHORT height = static_cast<SHORT>(found.Bottom - found.Top + 1);
    const SHORT lowest_top = static_cast<SHORT>(g_found.screen.dwSize.Y - height);
    const SHORT top = std::min(std::clamp<SHORT>(found.Top, row - height + 1, row), lowest_top);
    return {found.Left, std::max<SHORT>(top, 0), found.Right,
            static_cast<SHORT>(std::max<SHORT>(top, 0) + height - 1)};
}

// The window must fit in the buffer at every step: it shrinks to fit both
// sizes, the buffer takes its old size, then the window its old size.
void PutBackSize(SHORT cursor_row) {
    CONSOLE_SCREEN_BUFFER_INFO now;
    if (!GetConsoleScreenBufferInfo(g_found.output, &now)) return;
    const SMALL_RECT& found = g_found.screen.srWindow;
    const SMALL_RECT fitting = WindowAtOrigin(
        std::min(now.srWindow.Right - now.srWindow.Left, found.Right - found.Left) + 1,
        std::min(now.srWindow.Bottom - now.srWindow.Top, found.Bottom - found.Top) + 1);
    SetConsoleWindowInfo(g_found.output, TRUE, &fitting);
    SetConsoleScreenBufferSize(g_found.output, g_found.screen.dwSize);
    const SMALL_RECT window = FoundWindowShowing(cursor_row);
    SetConsoleWindowInfo(g_found.output, TRUE, &window);
}

// Runs on the main thread or on the control handler's, whichever comes first,
// with g_console_lock held; the other one finds nothing left to do.
void PutBack() {
    if (!g_restore_pending) return;
    g_restore_pending = false;
    SetConsoleTextAttribute(g_found.output, g_found.screen.wAttributes);
    // The last screen stays in view and the shell's prompt comes on the line
    // below it. The buffer gets its height back first, so that this line
    // exists and reaching it scrolls nothing away.
    const SHORT row = std::min<SHORT>(Screen::kRows, g_found.screen.dwSize.Y - 1);
    PutBackSize(row);
    SetConsoleCursorPosition(g_found.output, Coord(0, row));
    SetConsoleCursorInfo(g_found.output, &g_found.cursor);
    SetConsoleTitleW(g_found.title);
    SetConsoleMode(g_found.input, g_found.input_mode);
    SetConsoleMode(g_found.output, g_found.output_mode);
}

// Returning FALSE lets the default handling end the process; the lock stays
// taken until it has.
BOOL WINAPI OnControl(DWORD) {
    g_console_lock.lock();
    PutBack();
    return FALSE;
}

// What _getch would return for this input event, in order: nothing for key
// releases, modifier keys alone, mouse, focus, menu and size events.
std::vector<int> KeyCodes(const INPUT_RECORD& record) {
    if (record.EventType != KEY_EVENT) return {};
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    ConsoleKeyEvent event{key.bKeyDown != FALSE, key.wVirtualKeyCode, "", key.dwControlKeyState};
    const wchar_t character = key.uChar.UnicodeChar;
    if (character != 0) {
        // As bytes of the input code page, as _getch gives them.
        char bytes[8];
        const int length =
            WideCharToMultiByte(GetConsoleCP(), 0, &character, 1, bytes,
                                static_cast<int>(std::size(bytes)), nullptr, nullptr);
        event.text.assign(bytes, static_cast<std::size_t>(std::max(length, 0)));
    }
    return platform::KeyCodes(event);
}

void HideCaret(HANDLE output);

// Wine's graphical console brings its window up to date with the buffer a
// moment late, with the changes made meanwhile taken together. Its caret can
// then stay drawn over a hidden cursor, above all when the cursor is hidden
// just as the buffer changes size (at start, as the window takes the game's
// size), and a cursor shown and hidden again within one update goes unseen.
// So under wine, once the screen has been still for a while after such a
// change, the cursor is shown long enough to be seen, then hidden again.
constexpr DWORD kStillMs = 150;
constexpr DWORD kShownMs = 30;

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

// Writes changed cells in runs of one colour on one row. A glyph the console
// draws one column wide where the layout gives it two is followed by a space;
// lines that a CJK font draws two columns wide become ASCII lines.
class ConsolePresenter : public Presenter {
public:
    explicit ConsolePresenter(HANDLE output)
        : output_(output),
          ambiguous_wide_(DrawsTwoColumns(L"■")),
          // One measurement does for both lines: they come from the same font.
          lines_wide_(DrawsTwoColumns(L"━")) {}

    // See kStillMs.
    void OweHiding() { hiding_owed_ = under_wine_; }
    bool HidingOwed() const { return hiding_owed_; }
    void HideAgain() {
        hiding_owed_ = false;
        CONSOLE_CURSOR_INFO cursor;
        if (cursor_shown_ || !GetConsoleCursorInfo(output_, &cursor)) return;
        // Out of the way, in the bottom row's first cell, for the moment it shows.
        SetConsoleCursorPosition(output_, Coord(0, Screen::kRows - 1));
        cursor.bVisible = TRUE;
        SetConsoleCursorInfo(output_, &cursor);
        ::Sleep(kShownMs);
        cursor.bVisible = FALSE;
        SetConsoleCursorInfo(output_, &cursor);
    }

protected:
    void PlaceCursor(const Cursor& cursor) override {
        WriteRun();
        if (cursor.shown) {
            SetConsoleCursorPosition(
                output_, Coord(std::min(cursor.column, Screen::kColumns - 1), cursor.row));
        }
        if (cursor.shown == cursor_shown_) return;
        cursor_shown_ = cursor.shown;
        if (cursor.shown) {
            CONSOLE_CURSOR_INFO shown = g_found.cursor;
            shown.bVisible = TRUE;
            SetConsoleCursorInfo(output_, &shown);
        } else {
            HideCaret(output_);
            OweHiding();
        }
    }

    void Draw(int column, int row, const Cell& cell) override {
        if (row != run_row_ || column != run_end_ || cell.attribute != run_attribute_) {
            WriteRun();
            run_row_ = row;
            run_column_ = run_end_ = column;
            run_attribute_ = cell.attribute;
        }
        run_ += Form(cell.glyph);
        run_end_ += cell.part == Cell::Part::Left ? 2 : 1;
    }

    // As cls does, the whole buffer: before the window takes the game's size
    // it holds the shell's text beyond the game's cells.
    void StartOver() override {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(output_, &info)) return;
        const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
        DWORD done = 0;
        FillConsoleOutputCharacterW(output_, L' ', cells, Coord(0, 0), &done);
        FillConsoleOutputAttribute(output_, Cell::kDefaultAttribute, cells, Coord(0, 0), &done);
        attribute_ = -1;
    }

private:
    std::wstring Form(std::string_view glyph) const {
        const char32_t code = DecodeUtf8(glyph).code;
        if (lines_wide_ && (code == U'━' || code == U'┃')) return code == U'━' ? L"-" : L"|";
        std::wstring wide = Widen(glyph);
        if (!ambiguous_wide_ && IsAmbiguousGlyph(code)) wide += L' ';
        return wide;
    }

    void WriteRun() {
        if (run_.empty()) return;
        SetConsoleCursorPosition(output_, Coord(run_column_, run_row_));
        if (run_attribute_ != attribute_) {
            SetConsoleTextAttribute(output_, static_cast<WORD>(run_attribute_));
            attribute_ = run_attribute_;
        }
        WriteWide(output_, run_);
        run_.clear();
        run_row_ = -1;
    }

    HANDLE output_;
    bool ambiguous_wide_;
    bool lines_wide_;
    int attribute_ = -1;
    bool cursor_shown_ = true;
    bool under_wine_ = UnderWine();
    bool hiding_owed_ = false;
    std::wstring run_;
    int run_row_ = -1;
    int run_column_ = 0;
    int run_end_ = 0;
    int run_attribute_ = 0;
};

namespace {

// Wine draws its caret again after the cursor's size changes, hidden or not,
// and takes it away only when it sees the visibility change. So the size
// stays, and the cursor is shown for a moment to be hidden for good.
void HideCaret(HANDLE output) {
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(output, &cursor)) return;
    cursor.bVisible = TRUE;
    SetConsoleCursorInfo(output, &cursor);
    cursor.bVisible = FALSE;
    SetConsoleCursorInfo(output, &cursor);
}

void HideAgain(ConsolePresenter& presenter) {
    const std::lock_guard hold(g_console_lock);
    presenter.HideAgain();
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
    GetConsoleScreenBufferInfo(output, &g_found.screen);
    CONSOLE_CURSOR_INFO found_cursor;
    if (GetConsoleCursorInfo(output, &found_cursor)) g_found.cursor = found_cursor;
    GetConsoleTitleW(g_found.title, static_cast<DWORD>(std::size(g_found.title)));
    presenter_ = std::make_unique<ConsolePresenter>(output);

    const std::lock_guard hold(g_console_lock);
    g_restore_pending = true;
    SetConsoleCtrlHandler(OnControl, TRUE);
    // Key events, and the buffer's changes of size to repaint after, with
    // Ctrl+C left to raise its control event; quick edit is left as the user
    // set it.
    SetConsoleMode(input, ENABLE_PROCESSED_INPUT | ENABLE_WINDOW_INPUT);
    // Autowrap off: a character in the bottom-right cell must not scroll the
    // buffer.
    SetConsoleMode(output, (g_found.output_mode | ENABLE_PROCESSED_OUTPUT) &
                               ~static_cast<DWORD>(ENABLE_WRAP_AT_EOL_OUTPUT));
    presenter_->Present(mutable_screen(), cursor());
}

WindowsConsole::~WindowsConsole() {
    Restore();
}

void WindowsConsole::Restore() {
    {
        const std::lock_guard hold(g_console_lock);
        PutBack();
    }
    SetConsoleCtrlHandler(OnControl, FALSE);
}

void WindowsConsole::Repaint() {
    presenter_->LoseTrack();
    presenter_->OweHiding();
    Flush();
}

void WindowsConsole::Flush() {
    const std::lock_guard hold(g_console_lock);
    presenter_->Present(mutable_screen(), cursor());
}

void WindowsConsole::SetTitle(std::string_view title) {
    const std::lock_guard hold(g_console_lock);
    SetConsoleTitleW(Widen(title).c_str());
}

void WindowsConsole::RequestWindowSize(int columns, int rows) {
    ResizeBuffer(columns, rows);
    // What was drawn beyond the old buffer's edge never showed.
    Repaint();
}

void WindowsConsole::ResizeBuffer(int columns, int rows) {
    const std::lock_guard hold(g_console_lock);
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
}

void WindowsConsole::SkipNonKeys() {
    INPUT_RECORD record;
    DWORD got = 0;
    while (PeekConsoleInputW(input_, &record, 1, &got) && got == 1 && KeyCodes(record).empty()) {
        ReadConsoleInputW(input_, &record, 1, &got);
        if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) Repaint();
    }
}

bool WindowsConsole::KeyArrived() {
    if (!pending_.empty()) return true;
    SkipNonKeys();
    INPUT_RECORD record;
    DWORD got = 0;
    return PeekConsoleInputW(input_, &record, 1, &got) && got == 1;
}

// The console's input events read and turned into key codes here, rather
// than by _getch: wine's _kbhit and _getch disagree with Windows' and with
// each other on which keys count.
int WindowsConsole::NextKey() {
    Flush();
    if (presenter_->HidingOwed() && !KeyArrived() &&
        WaitForSingleObject(input_, kStillMs) == WAIT_TIMEOUT) {
        HideAgain(*presenter_);
    }
    while (pending_.empty()) {
        INPUT_RECORD record;
        DWORD got = 0;
        if (!ReadConsoleInputW(input_, &record, 1, &got)) throw InputClosed();
        if (got != 1) continue;
        if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) Repaint();
        const std::vector<int> codes = KeyCodes(record);
        pending_.insert(pending_.end(), codes.begin(), codes.end());
    }
    const int code = pending_.front();
    pending_.pop_front();
    return code;
}

void WindowsConsole::Sleep(std::chrono::milliseconds duration) {
    Flush();
    DWORD left = static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(duration.count(), 0));
    if (presenter_->HidingOwed() && left > kStillMs + kShownMs) {
        ::Sleep(kStillMs);
        HideAgain(*presenter_);
        left -= kStillMs + kShownMs;
    }
    ::Sleep(left);
}

}  // namespace platform
