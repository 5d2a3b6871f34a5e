// The terminal's life: taken over for the game, drawn on in one write a
// frame, and put back at the end.
#include "platform/terminal/terminal.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/terminal/signals.h"

namespace platform {

std::unique_ptr<Console> OpenSystemConsole(std::string& why_not) {
    why_not = Terminal::WhyUnusable(STDIN_FILENO, STDOUT_FILENO);
    if (!why_not.empty()) return nullptr;
    try {
        return std::make_unique<Terminal>(STDIN_FILENO, STDOUT_FILENO);
    } catch (const std::system_error& error) {
        why_not = error.what();
        return nullptr;
    }
}

std::string Terminal::WhyUnusable(int in_fd, int out_fd) {
    if (!::isatty(in_fd)) return "standard input is not a terminal";
    if (!::isatty(out_fd)) return "standard output is not a terminal";
    const char* term = std::getenv("TERM");
    if (term != nullptr && std::strcmp(term, "dumb") == 0) {
        return "the terminal (TERM=dumb) cannot move the cursor";
    }
    return {};
}

Terminal::Terminal(int in_fd, int out_fd)
    : ScreenConsole(&presenter_),
      in_fd_(in_fd),
      out_fd_(out_fd),
      state_(in_fd, out_fd),
      encoding_(OutputEncoding::LocaleCodeset()),
      decoder_(CharsetOf(OutputEncoding::LocaleCodeset())) {
    signals::Install(state_);
    try {
        state_.EnterGameMode();
    } catch (const std::system_error&) {
        signals::Remove();
        throw;
    }
    MeasureGlyphs();
    Flush();
}

// The last screen stays in view, with the terminal put back below it.
Terminal::~Terminal() {
    if (state_.in_game_mode()) Flush();
    state_.PutBack();
    signals::Remove();
}

void Terminal::Send(std::string_view bytes) {
    if (bytes.empty()) return;
    if (encoding_.converts()) {
        WriteAll(out_fd_, encoding_.Convert(bytes));
    } else {
        WriteAll(out_fd_, bytes);
    }
}

void Terminal::Flush() {
    presenter_.Present(mutable_screen(), cursor());
    Send(presenter_.TakeBytes());
}

void Terminal::SetTitle(std::string_view title) {
    state_.NoteTitle(title);
    presenter_.SetTitle(title);
}

}  // namespace platform
