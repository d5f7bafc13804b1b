#pragma once
// Decisions of the image button, the label and the progress bar that need no window:
// which frame a button shows, how a label's text breaks into lines, how tall the label
// must be, and which columns of the fill picture a progress position shows.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::skin {

// Frames of a four-state strip.
enum ButtonFrame : int { kFrameNormal = 0, kFrameHover = 1, kFramePressed = 2, kFrameDisabled = 3 };

// The frame for an owner-draw item state (ODS_SELECTED 1, ODS_GRAYED 2, ODS_DISABLED 4).
// Once drawn pressed, a button keeps the pressed look until the mouse button is released,
// so pressedLook is set here and cleared by the caller on release.
int ChooseButtonFrame(unsigned itemState, bool hover, bool& pressedLook);

// The lines of a label: text broken at line feeds (carriage returns ignored) and wherever
// the next character would make the line wider than the available width. A character
// wider than the whole line gets a line of its own, so the layout always moves on.
// Nothing is laid out when the available width is under one reference character.
std::vector<std::u16string> BreakLabelLines(std::u16string_view text, int available, int referenceCharWidth,
                                            const std::function<int(std::u16string_view)>& measure);

// Height that n lines need: the first line, then line height plus spacing per further line.
int LabelHeightNeeded(int lines, int lineHeight, int spacing);

// The visible part of a progress bar: the fill picture's leftmost `left` columns, then its
// rightmost `right` columns (starting at picture column rightSource) just after them.
struct FillColumns {
    int left = 0;
    int right = 0;
    int rightSource = 0;
    friend bool operator==(const FillColumns&, const FillColumns&) = default;
};
FillColumns ProgressFill(int fillWidth, int lower, int upper, int pos);

}  // namespace vorn::skin
