#pragma once
// The geometry of the borderless skinned dialog: how the background picture is cut and
// stretched, which window pixels its corners remove, what a point of the window means to
// the mouse, where the title and the caption buttons go, and the maximised rectangle.
#include <functional>
#include <vector>

namespace vorn::skin {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// One copy from the picture to the window: destination and source rectangles given as
// position and size; equal sizes copy 1:1, others stretch.
struct Piece {
    int dx, dy, dw, dh;
    int sx, sy, sw, sh;
    friend bool operator==(const Piece&, const Piece&) = default;
};

// The pieces that paint a window of w x h from a picture of pw x ph with the given border
// and caption band (-1 = none): nine-slice when stretched, else the picture at natural
// size with its right side and bottom fitted to the window. Pieces that would be empty or
// mirrored (a window or picture smaller than its borders) are left out.
std::vector<Piece> BackgroundPieces(int w, int h, int pw, int ph, int border, int caption, bool stretch);

// Window pixels that the 9 x 9 corners of the picture cut away: wherever the picture has
// the key colour in a corner, the same pixel of the window's corner goes.
std::vector<Point> CornerCutPixels(int w, int h, int pw, int ph, const std::function<bool(int x, int y)>& isKey);

// Hit-test codes, the values of the platform's HT* constants.
enum HitCode : int {
    kHitDefault = -1,  // leave the system's answer
    kHitCaption = 2,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
};

// What the point (x, y) of a client area w x h means: caption, an edge or corner to size
// by, or the default. A maximised dialog neither moves nor sizes.
int SkinHitTest(int x, int y, int w, int h, int border, int caption, bool resizable, bool maximized);

// The sizing system command (SC_SIZE plus the edge number) for an edge code, else 0.
unsigned SizingCommand(int hitCode);

// Where the title text starts: after the icon when one is drawn, vertically centred in
// the caption band for a font of the given (absolute) height.
Point TitleOrigin(bool iconDrawn, int border, int caption, int fontHeight);
// Where the 16 x 16 window icon goes.
Point IconOrigin(int border, int caption);

// The maximised rectangle: the work area, narrowed to the largest size on each axis.
Rect MaximizedRect(const Rect& workArea, int maxWidth, int maxHeight);
// The rectangle restored before the window was ever moved or sized: the work area inset
// by an eighth of its size on each side.
Rect DefaultNormalRect(const Rect& workArea);

// The caption buttons from right to left (close, maximise, minimise, those present):
// each gets its right edge at x, starting at right, then x moves left by its width and the
// spacing. widths[i] <= 0 marks a missing button, which gets an empty rectangle.
std::vector<Rect> PlaceCaptionButtons(int right, const std::vector<Rect>& current, const std::vector<int>& widths,
                                      int top, int spacing);

// A rectangle of size w x h centred on the owner's rectangle, or on the work area without
// an owner, and moved inside the work area where it fits.
Rect CentredRect(int w, int h, const Rect* owner, const Rect& workArea);

}  // namespace vorn::skin
