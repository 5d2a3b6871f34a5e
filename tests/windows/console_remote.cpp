// Sits at a Windows console for tests run under wine: gives the console a
// shell's past, starts a program in it, keeps a file with what the console
// holds, and notes how the console was before and after the program and how
// the program ended. The keys come from outside, as a player types them.
//
// Usage: windows_console_remote DIRECTORY PROGRAM
// In DIRECTORY (a Windows path) it writes
//   screen   the screen buffer, one line a row, one character a cell (a
//            character of no width as a blank), replaced whole
//   console  "before ..." and "after ..." lines describing the console, then
//            "cursor COLUMN ROW" as the program left it
//   status   the program's exit code, written last
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

HANDLE g_input;
HANDLE g_output;
std::filesystem::path g_directory;

std::string Utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(size) * 3, '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

void DumpScreen() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(g_output, &info)) return;
    const SHORT width = info.dwSize.X;
    const SHORT height = info.dwSize.Y;
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(width) * height);
    SMALL_RECT region{0, 0, static_cast<SHORT>(width - 1), static_cast<SHORT>(height - 1)};
    ReadConsoleOutputW(g_output, cells.data(), {width, height}, {0, 0}, &region);
    std::wstring text;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const wchar_t c = cells[i].Char.UnicodeChar;
        text += c == 0 || c == L'\u200B' ? L' ' : c;
        if ((i + 1) % static_cast<std::size_t>(width) == 0) text += L'\n';
    }
    // Replaced in one step, so that a reader never finds half a screen.
    const std::filesystem::path path = g_directory / "screen";
    const std::filesystem::path next = g_directory / "screen.new";
    std::ofstream(next, std::ios::binary) << Utf8(text);
    MoveFileExW(next.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string Describe(const char* when) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    CONSOLE_CURSOR_INFO cursor{};
    DWORD input_mode = 0;
    DWORD output_mode = 0;
    wchar_t title[256] = {};
    GetConsoleScreenBufferInfo(g_output, &info);
    GetConsoleCursorInfo(g_output, &cursor);
    GetConsoleMode(g_input, &input_mode);
    GetConsoleMode(g_output, &output_mode);
    GetConsoleTitleW(title, static_cast<DWORD>(std::size(title)));
    char line[512];
    std::snprintf(line, sizeof line,
                  "%s buffer %dx%d window %dx%d attribute %#x cursor %lu %s modes %#lx %#lx "
                  "title %s\n",
                  when, info.dwSize.X, info.dwSize.Y, info.srWindow.Right - info.srWindow.Left + 1,
                  info.srWindow.Bottom - info.srWindow.Top + 1, info.wAttributes, cursor.dwSize,
                  cursor.bVisible ? "shown" : "hidden", input_mode, output_mode,
                  Utf8(title).c_str());
    return line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    g_directory = argv[1];
    // The console itself, whatever wine made of the standard handles it was
    // given, and handed on to the program.
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    g_input =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherited, OPEN_EXISTING, 0, nullptr);
    g_output =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherited, OPEN_EXISTING, 0, nullptr);

    // A console with a past: a title, a cursor and a screen of a shell's text.
    SetConsoleTitleW(L"remote");
    const CONSOLE_CURSOR_INFO cursor{50, TRUE};
    SetConsoleCursorInfo(g_output, &cursor);
    for (int i = 1; i <= 40; ++i) {
        const std::wstring line = L"C:\\> shell text " + std::to_wstring(i) + L"\r\n";
        DWORD written = 0;
        WriteConsoleW(g_output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    std::string console = Describe("before");

    std::wstring command = L"\"" + std::wstring(argv[2]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = g_input;
    startup.hStdOutput = g_output;
    startup.hStdError = g_output;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 3;
    }
    do {
        DumpScreen();
    } while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT);
    DumpScreen();

    CONSOLE_SCREEN_BUFFER_INFO after;
    GetConsoleScreenBufferInfo(g_output, &after);
    console += Describe("after") + "cursor " + std::to_string(after.dwCursorPosition.X) + " " +
               std::to_string(after.dwCursorPosition.Y) + "\n";
    std::ofstream(g_directory / "console", std::ios::binary) << console;
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    std::ofstream(g_directory / "status", std::ios::binary) << status << "\n";
    // The console stays a moment, so that what it sends a terminal as it
    // closes is not taken for what the program left there.
    ::Sleep(1000);
    return 0;
}
