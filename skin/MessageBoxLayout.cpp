#include "skin/MessageBoxLayout.h"

#include <algorithm>

namespace vorn::skin {

int MessageLineCount(std::u16string_view text) {
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), u'\n'));
}

Size MessageBoxSize(int tw, int th, int lines, int bw, int bh) {
    const int buttonsWide = 2 * bw + 60;
    return Size{buttonsWide < tw ? tw + 60 : buttonsWide, 3 * lines + 90 + th + bh};
}

std::vector<MessageButton> MessageBoxButtons(int type, int cw, int ch, int bw, int bh) {
    const int top = ch - 30 - bh, bottom = ch - 30;
    if (type == 4 || type == 1) {
        const bool yesNo = type == 4;
        return {
            MessageButton{5000, Rect{cw / 2 - 10 - bw, top, cw / 2 - 10, bottom}, yesNo ? u"是" : u"确定", yesNo ? 6 : 1},
            MessageButton{5001, Rect{cw / 2 + 10, top, cw / 2 + 10 + bw, bottom}, yesNo ? u"否" : u"取消", yesNo ? 7 : 2},
        };
    }
    const int left = (cw - bw) / 2;
    return {MessageButton{5000, Rect{left, top, left + bw, bottom}, u"确定", 1}};
}

std::vector<MessageLine> MessageLines(std::u16string_view text, int cw, int tw, int th) {
    std::vector<MessageLine> out;
    const int lines = MessageLineCount(text);
    const int left = (cw - tw) / 2;
    const int lineHeight = th / lines;
    int y = 55;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(u'\n', start);
        if (end == std::u16string_view::npos) {
            if (start < text.size()) {
                out.push_back(MessageLine{std::u16string(text.substr(start)), Rect{left, y, left + tw, y + lineHeight}});
            }
            break;
        }
        out.push_back(MessageLine{std::u16string(text.substr(start, end - start)), Rect{left, y, left + tw, y + lineHeight}});
        y += lineHeight + 3;
        start = end + 1;
    }
    return out;
}

}  // namespace vorn::skin
