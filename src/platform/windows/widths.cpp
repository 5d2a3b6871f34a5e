#include "platform/windows/buffer.h"

namespace platform {

namespace {

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

}  // namespace

ConsoleWidths MeasureWidths(HANDLE output) {
    ConsoleWidths widths;
    widths.wide_cells = DrawsTwoColumns(L"蛇");
    widths.ambiguous_wide = DrawsTwoColumns(L"■");
    // One measurement does for both lines: they come from the same font.
    widths.lines_wide = DrawsTwoColumns(L"━");
    if (!widths.wide_cells && HandsCellsToATerminal(output)) widths.filler = u'\u200B';
    return widths;
}

}  // namespace platform
