#include "platform/line_editor.h"

namespace platform {

namespace {

constexpr int kCtrlD = 4;
constexpr int kBackspace = 8;
constexpr int kEnter = 13;
constexpr int kCtrlU = 21;
constexpr int kCtrlW = 23;

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
        case 0:
        case 224:
            skip_next_ = true;
            break;
        case kEnter:
            if (!IsBlank(text_)) return Result::kDone;
            text_.clear();
            break;
        case kBackspace:
            if (!text_.empty()) text_.pop_back();
            break;
        case kCtrlU:
            text_.clear();
            break;
        case kCtrlW:
            EraseWord();
            break;
        case kCtrlD:
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
