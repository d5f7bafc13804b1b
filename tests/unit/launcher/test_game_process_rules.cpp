#include <gtest/gtest.h>

#include "launcher/GameProcessRules.h"

using namespace vorn::launcher;

TEST(GameProcessRules, AnEndedProcessTakesItsTabOrItsHoldOnTheWindowAndTheLastOneTheLauncher) {
    using E = ChildEndEffects;
    // A crashed tab beside others: the tab goes, the launcher stays as it is.
    EXPECT_EQ(AfterChildEnded(ChildState::kTab, 1, false, 0), (E{true, false, false, false}));
    // A login that died while another is under way leaves the window to that one.
    EXPECT_EQ(AfterChildEnded(ChildState::kLoggingIn, 2, false, 1), (E{false, false, false, false}));
    EXPECT_EQ(AfterChildEnded(ChildState::kLoggingIn, 2, false, 0), (E{false, false, true, false}));
    EXPECT_EQ(AfterChildEnded(ChildState::kPageWindow, 1, false, 0), (E{false, true, false, false}));
    // Nothing left to show: the first login that died, or the last tab with no login under way.
    EXPECT_TRUE(AfterChildEnded(ChildState::kLoggingIn, 0, false, 0).exitLauncher);
    EXPECT_TRUE(AfterChildEnded(ChildState::kTab, 0, false, 0).exitLauncher);
    EXPECT_FALSE(AfterChildEnded(ChildState::kTab, 0, false, 1).exitLauncher);  // a login still comes
    EXPECT_FALSE(AfterChildEnded(ChildState::kTab, 0, true, 0).exitLauncher);   // the page window stays
}
