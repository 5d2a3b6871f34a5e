#include "platform/line_editor.h"

#include "platform/keys.h"

namespace platform {

namespace {

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

LineEditor::Result LineEditor::Key(int code) {
    if (skip_next_) {
        skip_next_ = false;
        return Result::kEditing;
    }
    switch (code) {
        case key::kFunctionPrefix:
        case key::kArrowPrefix:
            skip_next_ = true;
            break;
        case key::kEnter:
            if (!IsBlank(text_)) return Result::kDone;
            text_.clear();
            break;
        case key::kBackspace:
            if (!text_.empty()) text_.pop_back();
            break;
        case key::Ctrl('U'):
            text_.clear();
            break;
        case key::Ctrl('W'):
            EraseWord();
            break;
        case key::Ctrl('D'):
            if (text_.empty()) return Result::kEndOfInput;
            break;
        default:
            if (code >= 0x20 && code < 0x7F && text_.size() < capacity_) {
                text_.push_back(static_cast<char>(code));
            }
    }
    return Result::kEditing;
}

void LineEditor::EraseWord() {
    while (!text_.empty() && text_.back() == ' ') text_.pop_back();
    while (!text_.empty() && text_.back() != ' ') text_.pop_back();
}

}  // namespace platform
