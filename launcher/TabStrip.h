#pragma once
// The tab strip drawn in the main window's caption band: where tabs, close boxes and
// titles are, which tab a point is over, and how hovering, pressing and selecting change
// the strip's state. Everything here is in the main window's client coordinates; the
// window code only applies the answers (repaints, tool tip, showing windows).
#include <vector>

#include "skin/DialogGeometry.h"

namespace vorn::launcher {

using skin::Rect;

inline constexpr int kStripLeft = 120;
inline constexpr int kTabPitch = 189;
inline constexpr int kTabTop = 3;
inline constexpr int kTabHeight = 22;
inline constexpr int kCloseBoxSize = 13;
inline constexpr int kMaxTabs = 3;

// Tab i's picture and repaint rectangle.
Rect TabRect(int i);
// The close box of tab i, where it is painted and repainted.
Rect CloseBoxRect(int i);
// Where tab i's title is written (one line).
Rect TitleRect(int i);
// The strip from its left end to the right end of `count` tabs, as repainted after a tab
// arrives; after a close one more pitch is repainted so the removed tab's place is wiped.
Rect StripRect(int count);
Rect StripRectAfterClose(int count);

// Whether a point lies in the band over the tabs, which tab it is over, and whether it is
// in that tab's close box.
bool InStripBand(int x, int y, int tabCount);
int TabAt(int x);
bool InCloseBox(int x, int y, int tab);

// Close-box looks; also the image index in the close-box strip.
enum CloseState : int { kCloseNone = -1, kCloseNormal = 0, kCloseHover = 1, kClosePressed = 2 };
// Tab background image: 0 normal, 1 under the mouse, 2 selected (which wins over hover).
int TabImage(int tab, int selected, int hot);

// The mouse-related state of the strip.
struct StripHover {
    int hotTab = -1;
    int closeState = kCloseNone;
    bool tipActive = false;
    bool tracking = false;  // a leave notification has been requested
};

// What the window must do after a state change, in this order: put tipTab's title in the
// tool tip and activate it (when >= 0), deactivate the tip, repaint the rectangles, ask
// for a leave notification.
struct StripEffects {
    int tipTab = -1;
    bool tipDeactivate = false;
    std::vector<Rect> repaint;
    bool trackLeave = false;
};

// The hover update made on every hit test at (x, y). baseIsCaption: the dialog's own hit
// test calls the point caption (leave tracking then comes from the non-client side).
StripEffects HoverAt(StripHover& state, int x, int y, int tabCount, bool leftButtonDown, bool baseIsCaption);
// The mouse left the window (client or non-client part).
StripEffects HoverLeave(StripHover& state, bool clientLeave);
// After a close or a declined close: nothing is hot any more.
void ResetHover(StripHover& state);

// A left press in the band: which tab becomes selected and whether it must be shown
// (also when it was selected but covered by the page window); a press in the close box
// shows the box pressed.
struct Selection {
    int selected = 0;
    bool show = false;
    std::vector<Rect> repaint;
};
Selection SelectAt(StripHover& state, int x, int y, int selected, int tabCount, bool pageVisible);

// The window-switch key: the next tab, unless there is only one or the page window
// covers the tabs (the key then just brings the selected tab back).
Selection NextTabSelection(int selected, int tabCount, bool pageVisible);

// The tab selected after tab `closed` was removed, leaving `remaining` tabs.
int SelectionAfterClose(int closed, int remaining);
// The same when `selected` was the selection before: another tab's removal leaves the
// selected tab selected (at its new index).
int SelectionAfterRemove(int removed, int selected, int remaining);

}  // namespace vorn::launcher
