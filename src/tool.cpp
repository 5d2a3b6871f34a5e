#include "tool.h"

#include <cstdint>
#include <stdexcept>

namespace {

platform::Console* g_console = nullptr;

constexpr int kHighlight = 113;

}  // namespace

ConsoleScope::ConsoleScope(platform::Console& console) : previous_(g_console) {
    g_console = &console;
}

ConsoleScope::~ConsoleScope() {
    g_console = previous_;
}

platform::Console& TheConsole() {
    if (g_console == nullptr) throw std::logic_error("no console in use");
    return *g_console;
}

void SetCursorPosition(int x, int y) {
    TheConsole().MoveCursor(static_cast<std::int16_t>(2 * x), static_cast<std::int16_t>(y));
}

void SetColor(int colour) {
    TheConsole().SetAttribute(colour & 0xFFFF);
}

void SetBackColor() {
    TheConsole().SetAttribute(kHighlight);
}

void HideCursor() {
    TheConsole().HideCursor();
}

void SetWindowSize(int cols, int lines) {
    TheConsole().SetTitle("Wendlecrux Snake");
    TheConsole().RequestWindowSize(2 * cols, lines);
}

void Print(std::string_view text) {
    TheConsole().Write(text);
}

void PrintAt(int x, int y, std::string_view text) {
    SetCursorPosition(x, y);
    Print(text);
}

void ClearScreen() {
    TheConsole().Clear();
}

void Sleep(int milliseconds) {
    TheConsole().Sleep(std::chrono::milliseconds(milliseconds));
}

bool KeyWaiting() {
    return TheConsole().KeyWaiting();
}

int ReadKey() {
    return TheConsole().ReadKey();
}
