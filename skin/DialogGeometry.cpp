#include "skin/DialogGeometry.h"

#include <algorithm>

namespace vorn::skin {

namespace {

void Add(std::vector<Piece>& pieces, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
    // A negative size would mirror the copy; an empty one draws nothing.
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    pieces.push_back(Piece{dx, dy, dw, dh, sx, sy, sw, sh});
}

void AddBottom(std::vector<Piece>& p, int w, int h, int pw, int ph, int b) {
    Add(p, 0, h - b, b, b, 0, ph - b, b, b);
    Add(p, b, h - b, w - 2 * b, b, b, ph - b, pw - 2 * b, b);
    Add(p, w - b, h - b, b, b, pw - b, ph - b, b, b);
}

}  // namespace

std::vector<Piece> BackgroundPieces(int w, int h, int pw, int ph, int b, int c, bool stretch) {
    std::vector<Piece> p;
    if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0) return p;
    if (stretch) {
        if (c == -1) {
            Add(p, 0, 0, b, b, 0, 0, b, b);
            Add(p, b, 0, w - 2 * b, b, b, 0, pw - 2 * b, b);
            Add(p, w - b, 0, b, b, pw - b, 0, b, b);
            Add(p, 0, b, b, h - 2 * b, 0, b, b, ph - 2 * b);
            Add(p, w - b, b, b, h - 2 * b, pw - b, b, b, ph - 2 * b);
            Add(p, b, b, w - 2 * b, h - 2 * b, b, b, pw - 2 * b, ph - 2 * b);
        } else {
            Add(p, 0, 0, b, c, 0, 0, b, c);
            Add(p, b, 0, w - 2 * b, c, b, 0, pw - 2 * b, c);
            Add(p, w - b, 0, b, c, pw - b, 0, b, c);
            Add(p, 0, c, b, h - c - b, 0, c, b, ph - c - b);
            Add(p, w - b, c, b, h - c - b, pw - b, c, b, ph - c - b);
            Add(p, b, c, w - 2 * b, h - c - b, b, c, pw - 2 * b, ph - c - b);
        }
    } else {
        // The picture at natural size; never read beyond its edges.
        Add(p, 0, 0, std::min(w, pw), std::min(h, ph), 0, 0, std::min(w, pw), std::min(h, ph));
        if (c == -1) {
            Add(p, w - b, 0, b, b, pw - b, 0, b, b);
            Add(p, w - b, b, b, h - 2 * b, pw - b, b, b, ph - 2 * b);
        } else {
            Add(p, w - b, 0, b, c, pw - b, 0, b, c);
            Add(p, w - b, c, b, h - c - b, pw - b, c, b, ph - c - b);
        }
    }
    AddBottom(p, w, h, pw, ph, b);
    return p;
}

std::vector<Point> CornerCutPixels(int w, int h, int pw, int ph, const std::function<bool(int, int)>& isKey) {
    std::vector<Point> cut;
    if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0 || !isKey) return cut;
    auto remove = [&](int x, int y) {
        if (x >= 0 && x < w && y >= 0 && y < h) cut.push_back(Point{x, y});
    };
    const int cols = std::min(9, pw);
    for (int i = 0; i < std::min(9, ph); ++i) {
        for (int j = 0; j < cols; ++j) {
            if (isKey(j, i)) remove(j, i);
            if (isKey(pw - 1 - j, i)) remove(w - 1 - j, i);
        }
    }
    for (int r = std::max(0, ph - 9); r < ph; ++r) {
        for (int j = 0; j < cols; ++j) {
            if (isKey(j, r)) remove(j, h - ph + r);
            if (isKey(pw - 1 - j, r)) remove(w - 1 - j, h - ph + r);
        }
    }
    return cut;
}

int SkinHitTest(int x, int y, int w, int h, int b, int c, bool resizable, bool maximized) {
    if (maximized) return kHitDefault;
    const bool inCaption = c == -1 || (y >= 0 && y < c);
    if (!resizable) return inCaption ? kHitCaption : kHitDefault;
    const bool top = y >= 0 && y < b;
    const bool bottom = y >= h - b && y < h;
    if (x >= 0 && x < b) return top ? kHitTopLeft : bottom ? kHitBottomLeft : kHitLeft;
    if (x >= w - b && x < w) return top ? kHitTopRight : bottom ? kHitBottomRight : kHitRight;
    if (y >= 0 && y < 3) return kHitTop;  // a fixed band, whatever the border
    if (y < c || c == -1) return kHitCaption;
    if (bottom) return kHitBottom;
    return kHitDefault;
}

unsigned SizingCommand(int hitCode) {
    if (hitCode < kHitLeft || hitCode > kHitBottomRight) return 0;
    return 0xF000u + static_cast<unsigned>(hitCode - kHitLeft + 1);
}

Point TitleOrigin(bool iconDrawn, int border, int caption, int fontHeight) {
    const int q = (caption - (fontHeight < 0 ? -fontHeight : fontHeight) + 1) / 2;
    return Point{(iconDrawn ? 16 : 0) + border + 5, q < 0 ? 4 : q - 2};
}

Point IconOrigin(int border, int caption) { return Point{border, caption == -1 ? 6 : (caption - 15) / 2}; }

Rect MaximizedRect(const Rect& work, int maxWidth, int maxHeight) {
    Rect r = work;
    if (maxWidth < work.Width()) {
        const int inset = (work.Width() - maxWidth) / 2;
        r.left += inset;
        r.right -= inset;
    }
    if (maxHeight < work.Height()) {
        const int inset = (work.Height() - maxHeight) / 2;
        r.top += inset;
        r.bottom -= inset;
    }
    return r;
}

Rect DefaultNormalRect(const Rect& work) {
    const int dx = work.Width() / 8, dy = work.Height() / 8;
    return Rect{work.left + dx, work.top + dy, work.right - dx, work.bottom - dy};
}

std::vector<Rect> PlaceCaptionButtons(int right, const std::vector<Rect>& current, const std::vector<int>& widths,
                                      int top, int spacing) {
    std::vector<Rect> placed(widths.size());
    int x = right;
    for (size_t i = 0; i < widths.size(); ++i) {
        if (widths[i] <= 0) continue;
        const int height = i < current.size() ? current[i].Height() : 0;
        const int y = i < current.size() && top < 0 ? current[i].top : top;
        placed[i] = Rect{x - widths[i], y, x, y + height};
        x -= widths[i] + spacing;
    }
    return placed;
}

Rect CentredRect(int w, int h, const Rect* owner, const Rect& work) {
    const Rect& around = owner != nullptr ? *owner : work;
    int left = around.left + (around.Width() - w) / 2;
    int top = around.top + (around.Height() - h) / 2;
    // Keep the box on the work area: a question half off the screen cannot be answered.
    left = std::max(work.left, std::min(left, work.right - w));
    top = std::max(work.top, std::min(top, work.bottom - h));
    return Rect{left, top, left + w, top + h};
}

}  // namespace vorn::skin
