#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The editing of a one-line reply typed in raw mode, fed key codes as the
// console reads them: printable ASCII is typed, Backspace deletes a
// character, Ctrl+W a word, Ctrl+U the line, Enter ends a reply that is not
// blank (a blank one is dropped, as formatted input skips blank lines), and
// Ctrl+D on an empty line ends the input. Special keys (a prefix 0 or 224 and
// the code after it) and other control keys do nothing.
class LineEditor {
public:
    enum class Result { kEditing, kDone, kEndOfInput };

    // At most `capacity` characters fit where the reply is shown.
    explicit LineEditor(std::size_t capacity) : capacity_(capacity) {}

    Result Key(int code);
    const std::string& text() const { return text_; }

private:
    void EraseWord();

    std::size_t capacity_;
    std::string text_;
    bool skip_next_ = false;
};

}  // namespace platform
