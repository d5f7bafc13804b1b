#include "launcher/TabStrip.h"

namespace vorn::launcher {

namespace {
constexpr int kTabBottom = kTabTop + kTabHeight;      // 25
constexpr int kCloseLeftInTab = 176;                  // the box ends at the tab's right edge
constexpr int kTitleLeftInTab = 16;
constexpr int kTitleTop = 8, kTitleBottom = 22;
constexpr int kBandTop = 3, kBandBottom = 24;         // inclusive
}  // namespace

Rect TabRect(int i) {
    const int left = kStripLeft + kTabPitch * i;
    return {left, kTabTop, left + kTabPitch, kTabBottom};
}

Rect CloseBoxRect(int i) {
    const int left = kStripLeft + kTabPitch * i + kCloseLeftInTab;
    return {left, kTabTop, left + kCloseBoxSize, kTabTop + kCloseBoxSize};
}

Rect TitleRect(int i) {
    const int left = kStripLeft + kTabPitch * i;
    return {left + kTitleLeftInTab, kTitleTop, left + kCloseLeftInTab, kTitleBottom};
}

Rect StripRect(int count) { return {kStripLeft, kTabTop, kStripLeft + kTabPitch * count, kTabBottom}; }

Rect StripRectAfterClose(int count) { return StripRect(count + 1); }

bool InStripBand(int x, int y, int tabCount) {
    return y >= kBandTop && y <= kBandBottom && x > kStripLeft && x < kStripLeft + kTabPitch * tabCount;
}

int TabAt(int x) { return (x - kStripLeft) / kTabPitch; }

bool InCloseBox(int x, int y, int tab) {
    const Rect box = CloseBoxRect(tab);
    // The box reaches up to the window's top edge for the mouse, not only to its picture.
    return x >= box.left && x < box.right && y < box.bottom;
}

int TabImage(int tab, int selected, int hot) {
    if (tab == selected) return 2;
    return tab == hot ? 1 : 0;
}

StripEffects HoverAt(StripHover& state, int x, int y, int tabCount, bool leftButtonDown, bool baseIsCaption) {
    StripEffects effects;
    if (!InStripBand(x, y, tabCount)) {
        if (state.hotTab != -1) effects.repaint.push_back(TabRect(state.hotTab));
        state.hotTab = -1;
        state.closeState = kCloseNone;
        effects.tipDeactivate = true;
        state.tipActive = false;
        return effects;
    }
    const int tab = TabAt(x);
    // A tip that shows another tab's title goes; the next move brings the new one.
    if (!state.tipActive) {
        effects.tipTab = tab;
        state.tipActive = true;
    } else if (tab != state.hotTab) {
        effects.tipDeactivate = true;
        state.tipActive = false;
    }
    int close = kCloseNormal;
    if (InCloseBox(x, y, tab)) {
        close = leftButtonDown ? kClosePressed : kCloseHover;
        effects.tipDeactivate = true;
        state.tipActive = false;
    }
    if (tab != state.hotTab || close != state.closeState) {
        const bool hotChanged = tab != state.hotTab;
        if (state.hotTab != -1) effects.repaint.push_back(hotChanged ? TabRect(state.hotTab) : CloseBoxRect(tab));
        state.hotTab = tab;
        state.closeState = close;
        if (hotChanged) effects.repaint.push_back(TabRect(tab));
    }
    if (!state.tracking && !baseIsCaption) effects.trackLeave = true;
    return effects;
}

StripEffects HoverLeave(StripHover& state, bool clientLeave) {
    StripEffects effects;
    if (state.hotTab != -1) {
        effects.repaint.push_back(TabRect(state.hotTab));
        state.hotTab = -1;
        state.closeState = kCloseNone;
    }
    if (clientLeave) state.tracking = false;
    return effects;
}

void ResetHover(StripHover& state) {
    state.hotTab = -1;
    state.closeState = kCloseNone;
}

Selection SelectAt(StripHover& state, int x, int y, int selected, int tabCount, bool pageVisible) {
    Selection result;
    result.selected = selected;
    if (!InStripBand(x, y, tabCount)) return result;
    const int tab = TabAt(x);
    if (tab != selected) {
        result.selected = tab;
        result.show = true;
        result.repaint.push_back(TabRect(selected));
        result.repaint.push_back(TabRect(tab));
    } else if (pageVisible) {
        result.show = true;
    }
    if (InCloseBox(x, y, tab)) {
        state.closeState = kClosePressed;
        state.hotTab = tab;
        result.repaint.push_back(CloseBoxRect(tab));
    }
    return result;
}

Selection NextTabSelection(int selected, int tabCount, bool pageVisible) {
    Selection result;
    result.selected = selected;
    if (tabCount <= 0) return result;
    if (tabCount > 1 && !pageVisible) {
        result.selected = (selected + 1) % tabCount;
        result.repaint.push_back(TabRect(selected));
        result.repaint.push_back(TabRect(result.selected));
    }
    result.show = true;
    return result;
}

int SelectionAfterClose(int closed, int remaining) {
    if (remaining <= 0) return 0;
    return closed < remaining ? closed : remaining - 1;
}

int SelectionAfterRemove(int removed, int selected, int remaining) {
    if (removed == selected) return SelectionAfterClose(removed, remaining);
    return removed < selected ? selected - 1 : selected;
}

}  // namespace vorn::launcher
