#pragma once
// What the launcher does when one of its game processes ends on its own (a crash, a kill,
// a login given up), and how often a window message from another process may start a
// program. Kept apart from the window so that the decisions can be tested without one.
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

// Lets one event through per period: a burst of requests starts one program, not many.
class StartGate {
public:
    explicit StartGate(std::uint64_t periodMs) : m_periodMs(periodMs) {}
    // nowMs: a monotonic clock. True when the event may act; it then starts a new period.
    bool Allow(std::uint64_t nowMs);

private:
    std::uint64_t m_periodMs;
    std::uint64_t m_last = 0;
    bool m_used = false;
};

}  // namespace vorn::launcher
