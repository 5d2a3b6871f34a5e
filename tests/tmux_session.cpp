#include "tmux_session.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "platform/text.h"

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
    std::array<char, 4096> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), got);
    ::pclose(pipe);
    return output;
}

bool IsWide(char32_t code) {
    return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
           (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
           (code >= 0xFF00 && code <= 0xFF60) || (code >= 0xFFE0 && code <= 0xFFE6);
}

}  // namespace

TmuxSession::TmuxSession(const std::string& command, int columns, int rows)
    : socket_("snake-test-" + std::to_string(::getpid())) {
    Tmux("-f /dev/null new-session -d -x " + std::to_string(columns) + " -y " +
         std::to_string(rows) + " " + Quote(command));
    Tmux("set-option -g status off");
}

TmuxSession::~TmuxSession() {
    Tmux("kill-server");
}

bool TmuxSession::Available() {
    return std::system("command -v tmux >/dev/null 2>&1") == 0;
}

std::string TmuxSession::Tmux(const std::string& arguments) {
    return Run("tmux -L " + socket_ + " " + arguments + " 2>/dev/null");
}

void TmuxSession::SendKeys(const std::string& keys) {
    Tmux("send-keys " + keys);
}

std::vector<std::string> TmuxSession::Capture() {
    const std::string text = Tmux("capture-pane -p");
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        rows.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return rows;
}

bool TmuxSession::WaitFor(const std::string& text, std::chrono::milliseconds limit) {
    const auto give_up = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < give_up) {
        for (const std::string& row : Capture()) {
            if (row.find(text) != std::string::npos) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string TmuxSession::Query(const std::string& format) {
    std::string value = Tmux("display-message -p " + Quote("#{" + format + "}"));
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

std::vector<std::string> ColumnsOf(const std::string& row) {
    std::vector<std::string> columns;
    std::string_view rest = row;
    while (!rest.empty()) {
        const platform::Utf8Char c = platform::DecodeUtf8(rest);
        columns.emplace_back(rest.substr(0, c.length));
        if (IsWide(c.code)) columns.emplace_back();
        rest.remove_prefix(c.length);
    }
    return columns;
}
