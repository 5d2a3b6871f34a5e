#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/windows/buffer.h"
#include "platform/windows/console.h"
#include "platform/windows/keys.h"

namespace platform {

namespace {

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

// Keys other than ESC and q are for nobody meanwhile.
void WindowsConsole::WaitForRoom() {
    for (;;) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(output_, &info)) return;
        const std::pair<int, int> largest{info.dwMaximumWindowSize.X, info.dwMaximumWindowSize.Y};
        if (FitsTheGame(largest)) return;
        ShowNotice(TooSmallNotice(largest));
        INPUT_RECORD record;
        DWORD got = 0;
        if (!ReadConsoleInputW(input_, &record, 1, &got)) throw InputClosed();
        for (const int code : KeyCodes(record)) {
            if (LeavesTheNotice(code)) throw QuitRequested();
        }
    }
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
