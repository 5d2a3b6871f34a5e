// Sits at a Windows console in a person's place, for tests run under wine:
// starts a program in this console, keeps a file with what the console shows,
// types the keys named in another file as lines are added to it, and notes
// how the console was before and after the program, and how the program
// ended.
//
// Usage: windows_console_remote DIRECTORY PROGRAM
// In DIRECTORY (a Windows path) it writes
//   screen   the screen buffer's text, one line a row, replaced whole
//   console  "before ..." and "after ..." lines describing the console, then
//            "cursor COLUMN ROW" as the program left it
//   status   the program's exit code, written last
// and reads
//   keys     key names, one a line: Enter, Escape, Up, Down, Left or Right.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Key {
    const char* name;
    WORD vk;
    WORD scan;
    wchar_t character;
    DWORD state;
};

constexpr Key kKeys[] = {
    {"Enter", VK_RETURN, 0x1C, L'\r', 0},     {"Escape", VK_ESCAPE, 0x01, 0x1B, 0},
    {"Up", VK_UP, 0x48, 0, ENHANCED_KEY},     {"Down", VK_DOWN, 0x50, 0, ENHANCED_KEY},
    {"Left", VK_LEFT, 0x4B, 0, ENHANCED_KEY}, {"Right", VK_RIGHT, 0x4D, 0, ENHANCED_KEY},
};

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

// A press and a release, as a keyboard gives them.
void Type(const Key& key) {
    INPUT_RECORD events[2] = {};
    for (int i = 0; i < 2; ++i) {
        events[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& event = events[i].Event.KeyEvent;
        event.bKeyDown = i == 0;
        event.wRepeatCount = 1;
        event.wVirtualKeyCode = key.vk;
        event.wVirtualScanCode = key.scan;
        event.uChar.UnicodeChar = key.character;
        event.dwControlKeyState = key.state;
    }
    DWORD written = 0;
    WriteConsoleInputW(g_input, events, 2, &written);
}

// Types the keys named in lines completed since the last call.
void TypeNewKeys(std::streamoff& done) {
    std::ifstream keys(g_directory / "keys", std::ios::binary);
    keys.seekg(done);
    std::string name;
    while (std::getline(keys, name) && !keys.eof()) {
        done = keys.tellg();
        for (const Key& key : kKeys) {
            if (name == key.name) Type(key);
        }
    }
}

void DumpScreen() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(g_output, &info)) return;
    std::string text;
    std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
    for (SHORT y = 0; y < info.dwSize.Y; ++y) {
        DWORD got = 0;
        ReadConsoleOutputCharacterW(g_output, row.data(), info.dwSize.X, {0, y}, &got);
        text += Utf8(row.substr(0, row.find_last_not_of(L' ') + 1)) + "\n";
    }
    // Replaced in one step, so that a reader never finds half a screen.
    const std::filesystem::path path = g_directory / "screen";
    const std::filesystem::path next = g_directory / "screen.new";
    std::ofstream(next, std::ios::binary) << text;
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
    std::streamoff keys_done = 0;
    do {
        DumpScreen();
        TypeNewKeys(keys_done);
    } while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT);
    DumpScreen();

    CONSOLE_SCREEN_BUFFER_INFO after;
    GetConsoleScreenBufferInfo(g_output, &after);
    console += Describe("after") + "cursor " + std::to_string(after.dwCursorPosition.X) + " " +
               std::to_string(after.dwCursorPosition.Y) + "\n";
    std::ofstream(g_directory / "console", std::ios::binary) << console;
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    std::ofstream(g_directory / "status", std::ios::binary) << status << "\n";
    return 0;
}
