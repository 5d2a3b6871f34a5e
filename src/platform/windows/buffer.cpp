#include "platform/windows/buffer.h"

#include <algorithm>

namespace platform {

COORD Coord(int column, int row) {
    return {static_cast<SHORT>(column), static_cast<SHORT>(row)};
}

SMALL_RECT WindowAtOrigin(int columns, int rows) {
    return {0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
}

void ResizeConsole(HANDLE output, COORD size, const SMALL_RECT& window) {
    CONSOLE_SCREEN_BUFFER_INFO now;
    if (!GetConsoleScreenBufferInfo(output, &now)) return;
    const SMALL_RECT fitting{
        0, 0, std::min<SHORT>(now.srWindow.Right - now.srWindow.Left, window.Right - window.Left),
        std::min<SHORT>(now.srWindow.Bottom - now.srWindow.Top, window.Bottom - window.Top)};
    SetConsoleWindowInfo(output, TRUE, &fitting);
    SetConsoleScreenBufferSize(output, size);
    SetConsoleWindowInfo(output, TRUE, &window);
}

void ScreenBuffer::WriteCells(int column, int row, const std::vector<ConsoleCell>& cells) {
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

void ScreenBuffer::Clear() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output_, &info)) return;
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD done = 0;
    FillConsoleOutputCharacterW(output_, L' ', cells, Coord(0, 0), &done);
    FillConsoleOutputAttribute(output_, Cell::kDefaultAttribute, cells, Coord(0, 0), &done);
}

void ScreenBuffer::PlaceCursor(const Cursor& cursor) {
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

void ScreenBuffer::SetVisible(bool visible) {
    CONSOLE_CURSOR_INFO info;
    if (!GetConsoleCursorInfo(output_, &info)) return;
    info.bVisible = visible ? TRUE : FALSE;
    SetConsoleCursorInfo(output_, &info);
}

}  // namespace platform
