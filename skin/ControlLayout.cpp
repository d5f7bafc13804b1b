#include "skin/ControlLayout.h"

#include <algorithm>

namespace vorn::skin {

int ChooseButtonFrame(unsigned itemState, bool hover, bool& pressedLook) {
    if ((itemState & 6u) != 0) return kFrameDisabled;
    if ((itemState & 1u) != 0 || pressedLook) {
        pressedLook = true;
        return kFramePressed;
    }
    return hover ? kFrameHover : kFrameNormal;
}

std::vector<std::u16string> BreakLabelLines(std::u16string_view text, int available, int referenceCharWidth,
                                            const std::function<int(std::u16string_view)>& measure) {
    std::vector<std::u16string> lines;
    if (available < referenceCharWidth || available <= 0 || !measure) return lines;
    std::u16string line;
    for (char16_t ch : text) {
        if (ch == u'\r') continue;
        if (ch == u'\n') {
            lines.push_back(std::move(line));
            line.clear();
            continue;
        }
        line.push_back(ch);
        if (measure(line) > available && line.size() > 1) {
            line.pop_back();
            lines.push_back(std::move(line));
            line.assign(1, ch);
        }
        // A lone character wider than the line stays on its own line.
    }
    lines.push_back(std::move(line));
    return lines;
}

int LabelHeightNeeded(int lines, int lineHeight, int spacing) {
    if (lines <= 0) return 0;
    return lineHeight + (lines - 1) * (lineHeight + spacing);
}

FillColumns ProgressFill(int fillWidth, int lower, int upper, int pos) {
    FillColumns f;
    if (upper <= lower || fillWidth <= 0) return f;
    // Measured from the lower bound and kept inside the picture: a position outside the
    // range must not draw past the trough or with a negative width.
    const double share = static_cast<double>(pos) - lower;
    const double exact = static_cast<double>(fillWidth) / (static_cast<double>(upper) - lower) * share;
    const int filled = static_cast<int>(std::clamp(exact, 0.0, static_cast<double>(fillWidth)));
    f.left = filled / 2;
    f.right = filled - f.left;
    f.rightSource = fillWidth - f.right;
    return f;
}

}  // namespace vorn::skin
