#pragma once
// The message box sizes itself to its text: window size, button rectangles and captions,
// results and where each line of the message is drawn.
#include <string>
#include <string_view>
#include <vector>

#include "skin/DialogGeometry.h"

namespace vorn::skin {

// Box types: 0 OK, 1 OK and Cancel, 4 Yes and No; any other value behaves like 0.
int MessageLineCount(std::u16string_view text);

struct Size {
    int cx = 0, cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Window size for a text block of tw x th with `lines` lines and button frames of bw x bh.
Size MessageBoxSize(int tw, int th, int lines, int bw, int bh);

struct MessageButton {
    int id;            // command id, 5000 or 5001
    Rect rect;         // client coordinates
    std::u16string caption;
    int result;        // what the box answers when it is pressed
};
std::vector<MessageButton> MessageBoxButtons(int type, int cw, int ch, int bw, int bh);

// The close button answers IDCANCEL whatever the type.
inline constexpr int kCloseResult = 2;

struct MessageLine {
    std::u16string text;
    Rect rect;
};
// Lines of the message in a client area cw wide, for a measured block of tw x th: centred
// as a block, left-aligned within it, from y = 55 and line height + 3 apart. A trailing
// line feed draws no empty last line.
std::vector<MessageLine> MessageLines(std::u16string_view text, int cw, int tw, int th);

}  // namespace vorn::skin
