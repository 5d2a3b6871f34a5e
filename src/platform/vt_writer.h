#pragma once

#include <string>
#include <string_view>

namespace platform {

// ECMA-48 / VT100 colour for a Windows console attribute: the foreground in
// bits 0-3, the background in bits 4-7, each blue 1, green 2, red 4 and
// intensity 8. The result always names both colours.
std::string SgrFor(int attribute);

// Turns console operations into the bytes an xterm-compatible terminal
// understands, collected in a buffer for the caller to send in one write.
// It remembers where the terminal's cursor is and which colour it draws in, so
// that it only sends a cursor move or a colour when they change.
class VtWriter {
public:
    // The first bytes to send: attributes reset and autowrap off, so that a
    // character in the last column never scrolls the window.
    void Begin();
    // Bytes that leave the terminal as the shell expects it: colours reset,
    // cursor shown, autowrap on, and the cursor on a fresh line below the
    // game's last row.
    static std::string_view RestoreSequence();

    // How the terminal draws "■", "●", "★" and "○": one column (most
    // terminals, and the default) or two, as CJK terminals do. Either way
    // each fills a two-column cell and "━" and "┃" take one column.
    void SetAmbiguousWide(bool wide) { ambiguous_wide_ = wide; }

    void MoveCursor(int column, int row);
    void SetAttribute(int attribute) { attribute_ = attribute; }
    void Write(std::string_view text);
    void Clear();
    void HideCursor();
    void ShowCursor();
    void SetTitle(std::string_view title);
    void RequestWindowSize(int columns, int rows);
    // Asks the terminal where its cursor is; it answers on the input side.
    void RequestCursorReport();
    // Someone else moved the cursor (the terminal's own echo, say).
    void ForgetCursor() { at_column_ = -1; }

    const std::string& buffer() const { return out_; }
    void ClearBuffer() { out_.clear(); }

private:
    void PlaceCursor();
    void ApplyAttribute();
    void Emit(std::string_view text);
    void EmitCharacter(char32_t code, std::string_view bytes);
    void SetLineDrawing(bool on);

    std::string out_;
    int column_ = 0;
    int row_ = 0;
    int at_column_ = -1;  // where the terminal's cursor is; -1 when unknown
    int at_row_ = -1;
    int attribute_ = 7;
    int sent_attribute_ = -1;  // -1 when unknown
    bool ambiguous_wide_ = false;
    bool line_drawing_ = false;  // the DEC line drawing set is selected
};

}  // namespace platform
