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

}  // namespace vorn::launcher
