#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/console.h"
#include "platform/presenter.h"
#include "platform/screen.h"

namespace platform {

// A window too small for the game: what the player is told meanwhile, and
// the keys that leave rather than wait.
bool FitsTheGame(std::pair<int, int> size);
std::vector<std::string> TooSmallNotice(std::pair<int, int> size);
bool LeavesTheNotice(int code);

// What every console shares: drawing only changes a record of the screen,
// with the cursor and the current attribute, which backends present to the
// real screen whenever the player must see it and tests read; and the rule
// for a pause after an interruption (see Console).
class ScreenConsole : public Console {
public:
    // `presenter` shows the record on a real console; a console that exists
    // only in memory has none.
    explicit ScreenConsole(Presenter* presenter = nullptr) : presenter_(presenter) {}

    void MoveCursor(int column, int row) override;
    void SetAttribute(int attribute) override { attribute_ = attribute; }
    void Write(std::string_view text) override;
    void Clear() override;
    void HideCursor() override { cursor_.shown = false; }

    bool KeyWaiting() final;
    int ReadKey() final;
    int ReadInt() final;

    const Screen& screen() const { return screen_; }
    const Cursor& cursor() const { return cursor_; }

protected:
    // Whether a key code can be read without waiting.
    virtual bool KeyReady() = 0;
    // Waits for and returns the next key code.
    virtual int WaitForKey() = 0;
    // Reads the reply of ReadInt; by default edited from WaitForKey's codes.
    virtual int ReadNumberReply();
    // Play was interrupted: the game owes the player a pause.
    void Interrupted();
    // Brings the real console up to date with the record, the cursor included.
    virtual void Flush() {}
    // The real console may show anything now: every cell is drawn again.
    void Repaint();

    // Reads a reply at the cursor from the key codes `next_code` gives,
    // edited (see LineEditor) and shown in the record with the cursor after
    // it, and returns the number it starts with (see ParseLeadingInt).
    // Throws InputClosed on Ctrl+D on an empty reply.
    int EditNumberReply(const std::function<int()>& next_code);

    Screen& mutable_screen() { return screen_; }

private:
    enum class Pause {
        kNone,
        kOwed,        // since an interruption
        kEscapeNext,  // KeyWaiting has said so; ReadKey gives the ESC
    };

    Presenter* presenter_;
    Screen screen_;
    int attribute_ = Cell::kDefaultAttribute;
    Cursor cursor_;
    Pause pause_ = Pause::kNone;
};

}  // namespace platform
