#include "launcher/GameProcessRules.h"

namespace vorn::launcher {

ChildEndEffects AfterChildEnded(ChildState state, int tabsLeft, bool pageWindowLeft, int loginsLeft) {
    ChildEndEffects effects;
    effects.removeTab = state == ChildState::kTab;
    effects.forgetPage = state == ChildState::kPageWindow;
    // A login dialog disables the launcher window it belongs to; one that dies cannot
    // enable it again.
    effects.enableLauncher = state == ChildState::kLoggingIn && loginsLeft == 0;
    effects.exitLauncher = tabsLeft == 0 && !pageWindowLeft && loginsLeft == 0;
    return effects;
}

bool StartGate::Allow(std::uint64_t nowMs) {
    if (m_used && nowMs - m_last < m_periodMs) return false;
    m_used = true;
    m_last = nowMs;
    return true;
}

}  // namespace vorn::launcher
