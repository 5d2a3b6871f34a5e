// Sits at a Windows console for tests run under wine: gives the console a
// shell's past, starts a program in it, keeps a file with what the console
// holds, and notes how the program ended and left the console. The keys come
// from outside, as a player types them.
//
// Usage: windows_console_remote DIRECTORY PROGRAM
// In DIRECTORY (a Windows path) it writes, each file replaced whole,
//   screen   the buffer's width, then its cells, one a line (a character of
//            no width as a blank)
//   result   "exit CODE"; the console before and after the program, if they
//            differ; and "cursor COLUMN ROW" as the program left it
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

HANDLE g_input = GetStdHandle(STD_INPUT_HANDLE);
HANDLE g_output = GetStdHandle(STD_OUTPUT_HANDLE);
std::filesystem::path g_directory;

std::string Utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(size) * 3, '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// Replaced in one step, so that a reader never finds half a file.
void Write(const wchar_t* name, const std::string& text) {
    const std::filesystem::path next = g_directory / L"next";
    std::ofstream(next, std::ios::binary) << text;
    MoveFileExW(next.c_str(), (g_directory / name).c_str(), MOVEFILE_REPLACE_EXISTING);
}

void DumpScreen() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(g_output, &info)) return;
    const SHORT width = info.dwSize.X;
    const SHORT height = info.dwSize.Y;
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(width) * height);
    SMALL_RECT region{0, 0, static_cast<SHORT>(width - 1), static_cast<SHORT>(height - 1)};
    ReadConsoleOutputW(g_output, cells.data(), {width, height}, {0, 0}, &region);
    std::wstring text = std::to_wstring(width) + L"\n";
    for (const CHAR_INFO& cell : cells) {
        const wchar_t c = cell.Char.UnicodeChar;
        text += c == 0 || c == L'\u200B' ? L' ' : c;
        text += L'\n';
    }
    Write(L"screen", Utf8(text));
}

std::string Describe() {
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
                  "buffer %dx%d window %dx%d attribute %#x cursor %lu %s modes %#lx %#lx title "
                  "%s\n",
                  info.dwSize.X, info.dwSize.Y, info.srWindow.Right - info.srWindow.Left + 1,
                  info.srWindow.Bottom - info.srWindow.Top + 1, info.wAttributes, cursor.dwSize,
                  cursor.bVisible ? "shown" : "hidden", input_mode, output_mode,
                  Utf8(title).c_str());
    return line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    g_directory = argv[1];
    // A console with a past: a screen of a shell's text, under the title and
    // with the caret that wineconsole gave it.
    for (int i = 1; i <= 40; ++i) {
        const std::wstring line = L"C:\\> shell text " + std::to_wstring(i) + L"\r\n";
        DWORD written = 0;
        WriteConsoleW(g_output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    const std::string before = Describe();

    std::wstring command = L"\"" + std::wstring(argv[2]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 3;
    do {
        DumpScreen();
    } while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT);
    DumpScreen();

    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    std::string result = "exit " + std::to_string(status) + "\n";
    const std::string after = Describe();
    if (after != before) result += "before " + before + "after " + after;
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(g_output, &info);
    result += "cursor " + std::to_string(info.dwCursorPosition.X) + " " +
              std::to_string(info.dwCursorPosition.Y) + "\n";
    Write(L"result", result);
    return 0;
}
