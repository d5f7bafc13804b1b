#include "launcher/KeyHookRules.h"

namespace vorn::launcher {

namespace {
constexpr unsigned kKeyDown = 0x0100, kSysKeyDown = 0x0104;
}

bool MayBeHotKey(int tabCount, unsigned message, int vkCode, const HotKey& bossKey, const HotKey& soundKey) {
    if (tabCount <= 0 || (message != kKeyDown && message != kSysKeyDown) || vkCode == 0) return false;
    return vkCode == bossKey.code || vkCode == soundKey.code;
}

HookAction KeyHookAction(int tabCount, unsigned message, int vkCode, int modifiersDown, const HotKey& bossKey,
                         const HotKey& soundKey) {
    if (tabCount <= 0 || (message != kKeyDown && message != kSysKeyDown)) return HookAction::kNone;
    if (HotKeyMatches(bossKey, vkCode, modifiersDown)) return HookAction::kToggleHide;
    if (HotKeyMatches(soundKey, vkCode, modifiersDown)) return HookAction::kToggleSound;
    return HookAction::kNone;
}

}  // namespace vorn::launcher
