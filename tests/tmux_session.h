#pragma once

#include <chrono>
#include <string>
#include <vector>

// A program running in a tmux window of its own, on a private tmux server
// that is killed with this object: for tests of what only a real terminal
// shows.
class TmuxSession {
public:
    TmuxSession(const std::string& command, int columns, int rows);
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    static bool Available();

    void SendKeys(const std::string& keys);
    // The window's rows as text.
    std::vector<std::string> Capture();
    // Waits until `text` is on screen; false after `limit`.
    bool WaitFor(const std::string& text,
                 std::chrono::milliseconds limit = std::chrono::seconds(20));
    // A tmux format variable of the pane, e.g. "cursor_flag".
    std::string Query(const std::string& format);
    // Any tmux command on this server; its output.
    std::string Tmux(const std::string& arguments);

private:
    std::string socket_;
};

// Columns of a captured row under tmux's widths for our texts: CJK
// characters and fullwidth forms take two columns, everything else one.
std::vector<std::string> ColumnsOf(const std::string& row);
