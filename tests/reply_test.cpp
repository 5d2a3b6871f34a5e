// The pace reply: edited key by key, then read for the number it starts with.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "platform/keys.h"
#include "platform/line_editor.h"
#include "platform/text.h"

namespace {

using platform::LineEditor;
using Result = LineEditor::Result;

using namespace platform::key;
constexpr int kCtrlD = Ctrl('D');
constexpr int kCtrlU = Ctrl('U');
constexpr int kCtrlW = Ctrl('W');

struct Typing {
    const char* what;
    std::vector<int> codes;
    std::string text;
    Result last;
};

TEST(LineEditor, EditsTheReplyKeyByKey) {
    const Typing cases[] = {
        {"digits and Enter", {'3', '0', kEnter}, "30", Result::kDone},
        {"Backspace", {'3', '9', kBackspace, '0', kEnter}, "30", Result::kDone},
        {"Ctrl+W a word", {'2', ' ', '4', kCtrlW}, "2 ", Result::kEditing},
        {"Ctrl+W past spaces", {'2', '4', ' ', kCtrlW}, "", Result::kEditing},
        {"Ctrl+U the line", {'1', '2', kCtrlU, '4'}, "4", Result::kEditing},
        {"a blank reply is dropped", {' ', kEnter, '5'}, "5", Result::kEditing},
        {"special keys",
         {kArrowPrefix, kUp, kFunctionPrefix, FunctionKey(1), '7', kEscape, kTab},
         "7",
         Result::kEditing},
        {"Ctrl+D on an empty line", {kCtrlD}, "", Result::kEndOfInput},
        {"Ctrl+D after text", {'1', kCtrlD}, "1", Result::kEditing},
        {"no room left", {'1', '2', '3', '4'}, "123", Result::kEditing},
        {"non-ASCII bytes", {0xE4, 0xB8, 0x89, '8'}, "8", Result::kEditing},
    };
    for (const Typing& typing : cases) {
        LineEditor editor(3);
        Result result = Result::kEditing;
        for (int code : typing.codes) result = editor.Key(code);
        EXPECT_EQ(editor.text(), typing.text) << typing.what;
        EXPECT_EQ(result, typing.last) << typing.what;
    }
}

TEST(ParseLeadingInt, ReadsAsFormattedExtractionDoesAndClampsToTheLimits) {
    const std::pair<const char*, int> cases[] = {
        {"35", 35},
        {"  \t 20", 20},
        {"+50", 50},
        {"-7", -7},
        {"1e3", 1},
        {"30 40", 30},
        {"abc", 0},
        {"", 0},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(platform::ParseLeadingInt(text), value) << text;
    }
}

}  // namespace
