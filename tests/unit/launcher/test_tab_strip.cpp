#include <gtest/gtest.h>

#include "launcher/TabStrip.h"

using namespace vorn::launcher;

TEST(TabStrip, BandTabsCloseBoxesAndTitles) {
    // The band: 3..24 high, strictly between the strip's left end and the last tab's right end.
    EXPECT_FALSE(InStripBand(120, 10, 2));
    EXPECT_TRUE(InStripBand(121, 3, 2));
    EXPECT_TRUE(InStripBand(497, 24, 2));
    EXPECT_FALSE(InStripBand(498, 10, 2));
    EXPECT_FALSE(InStripBand(200, 2, 2));
    EXPECT_FALSE(InStripBand(200, 25, 2));
    EXPECT_FALSE(InStripBand(200, 10, 0));
    EXPECT_EQ(TabAt(308), 0);
    EXPECT_EQ(TabAt(309), 1);
    EXPECT_EQ(TabRect(2), (Rect{498, 3, 687, 25}));
    EXPECT_EQ(TitleRect(1), (Rect{325, 8, 485, 22}));
    // The close box ends with its tab; it answers up to the window's top edge.
    EXPECT_EQ(CloseBoxRect(1), (Rect{485, 3, 498, 16}));
    EXPECT_TRUE(InCloseBox(485, 0, 1));
    EXPECT_TRUE(InCloseBox(497, 15, 1));
    EXPECT_FALSE(InCloseBox(484, 8, 1));
    EXPECT_FALSE(InCloseBox(498, 8, 1));
    EXPECT_FALSE(InCloseBox(490, 16, 1));
    EXPECT_EQ(StripRectAfterClose(1), (Rect{120, 3, 498, 25}));
}

TEST(TabStrip, SelectedLookWinsOverHover) {
    EXPECT_EQ(TabImage(1, 1, 1), 2);
    EXPECT_EQ(TabImage(0, 1, 0), 1);
    EXPECT_EQ(TabImage(2, 1, 0), 0);
}

TEST(TabStrip, HoverRepaintsOnlyWhatChangedAndTheTipFollowsTheTab) {
    StripHover s;
    StripEffects e = HoverAt(s, 200, 10, 2, false, false);
    EXPECT_EQ(e.tipTab, 0);
    EXPECT_EQ(e.repaint, std::vector<Rect>{TabRect(0)});
    EXPECT_TRUE(e.trackLeave);
    s.tracking = true;  // the window keeps the answer of its leave request

    e = HoverAt(s, 210, 12, 2, false, false);  // same tab, same look: nothing to do
    EXPECT_TRUE(e.repaint.empty());
    EXPECT_EQ(e.tipTab, -1);
    EXPECT_FALSE(e.tipDeactivate || e.trackLeave);

    e = HoverAt(s, 300, 8, 2, false, false);  // onto the close box: its look only, no tip
    EXPECT_EQ(s.closeState, kCloseHover);
    EXPECT_EQ(e.repaint, std::vector<Rect>{CloseBoxRect(0)});
    EXPECT_TRUE(e.tipDeactivate);
    EXPECT_FALSE(s.tipActive);
    e = HoverAt(s, 300, 8, 2, true, false);
    EXPECT_EQ(s.closeState, kClosePressed);

    e = HoverAt(s, 400, 10, 2, false, false);  // the next tab: both repainted, its title in the tip
    EXPECT_EQ(e.repaint, (std::vector<Rect>{TabRect(0), TabRect(1)}));
    EXPECT_EQ(e.tipTab, 1);
    EXPECT_EQ(s.hotTab, 1);
    EXPECT_EQ(s.closeState, kCloseNormal);
    e = HoverAt(s, 200, 10, 2, false, true);  // straight back: the old tip goes first
    EXPECT_TRUE(e.tipDeactivate);
    EXPECT_EQ(e.tipTab, -1);

    e = HoverAt(s, 200, 40, 2, false, true);  // out of the band
    EXPECT_EQ(e.repaint, std::vector<Rect>{TabRect(0)});
    EXPECT_EQ(s.hotTab, -1);
    EXPECT_EQ(s.closeState, kCloseNone);

    HoverAt(s, 200, 10, 2, false, true);
    e = HoverLeave(s, true);
    EXPECT_EQ(e.repaint, std::vector<Rect>{TabRect(0)});
    EXPECT_EQ(s.hotTab, -1);
    EXPECT_FALSE(s.tracking);
}

TEST(TabStrip, PressSelectsShowsAndArmsTheCloseBox) {
    StripHover s;
    Selection sel = SelectAt(s, 400, 10, 0, 3, false);
    EXPECT_EQ(sel.selected, 1);
    EXPECT_TRUE(sel.show);
    EXPECT_EQ(sel.repaint, (std::vector<Rect>{TabRect(0), TabRect(1)}));
    // The selected tab again: shown only when the page window covers it.
    EXPECT_FALSE(SelectAt(s, 400, 10, 1, 3, false).show);
    EXPECT_TRUE(SelectAt(s, 400, 10, 1, 3, true).show);
    sel = SelectAt(s, 490, 5, 1, 3, false);
    EXPECT_EQ(s.hotTab, 1);
    EXPECT_EQ(s.closeState, kClosePressed);
    EXPECT_EQ(sel.repaint, std::vector<Rect>{CloseBoxRect(1)});
}

TEST(TabStrip, SwitchKeyAndClosingKeepTheSelectionOnATab) {
    EXPECT_EQ(NextTabSelection(2, 3, false).selected, 0);
    // One tab, or a page window in front: the selected tab just comes back.
    const Selection one = NextTabSelection(0, 1, false);
    EXPECT_EQ(one.selected, 0);
    EXPECT_TRUE(one.show);
    EXPECT_TRUE(one.repaint.empty());
    EXPECT_EQ(NextTabSelection(1, 3, true).selected, 1);
    EXPECT_FALSE(NextTabSelection(0, 0, false).show);
    EXPECT_EQ(SelectionAfterClose(2, 2), 1);  // the rightmost closed: the new rightmost
    EXPECT_EQ(SelectionAfterClose(0, 2), 0);
    EXPECT_EQ(SelectionAfterClose(1, 2), 1);
    // A background tab's end leaves the selected tab selected, at its new place.
    EXPECT_EQ(SelectionAfterRemove(0, 2, 2), 1);
    EXPECT_EQ(SelectionAfterRemove(2, 0, 2), 0);
    EXPECT_EQ(SelectionAfterRemove(2, 2, 2), 1);
}
