#pragma once
// What the launcher does when one of its game processes ends on its own (a crash, a kill,
// a login given up). Kept apart from the window so that the decisions can be tested without one.
#include <cstdint>

namespace vorn::launcher {

// Where a game process stands, as the launcher sees it.
enum class ChildState {
    kLoggingIn,   // started (or registered a title); no window yet
    kTab,         // its window is a tab
    kPageWindow,  // its window is the page window
};

// What the window does after a process in `state` ended, counted without that process:
// the tabs, whether a page window is still there, and the logins still under way.
struct ChildEndEffects {
    bool removeTab = false;       // its tab leaves the strip as if closed (no question)
    bool forgetPage = false;      // the page window is gone
    bool enableLauncher = false;  // no login dialog is left to give the window back
    bool exitLauncher = false;    // nothing left to show: the launcher ends quietly
    friend bool operator==(const ChildEndEffects&, const ChildEndEffects&) = default;
};
ChildEndEffects AfterChildEnded(ChildState state, int tabsLeft, bool pageWindowLeft, int loginsLeft);


}  // namespace vorn::launcher
