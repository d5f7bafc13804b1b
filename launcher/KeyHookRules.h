#pragma once
// What the launcher's global keyboard hook does with one key event. Kept apart from the
// hook so that the decision can be tested without a desktop; it allocates nothing, as it
// runs for every key pressed anywhere on the desktop.
#include "hotkeys/HotKeyFormat.h"

namespace vorn::launcher {

enum class HookAction {
    kNone,
    kToggleHide,   // the boss key
    kToggleSound,  // the sound key
};

// Whether a key event can be the boss or the sound key at all, judged without the
// modifiers: every other key of the desktop is handed on without asking the system for
// the modifier state, which costs a round trip per key on some systems.
bool MayBeHotKey(int tabCount, unsigned message, int vkCode, const HotKey& bossKey, const HotKey& soundKey);

// message: WM_KEYDOWN, WM_SYSKEYDOWN or a release; only presses count (repeats included).
// The keys are dead while the launcher has no tab (only a login is showing). A combination
// that is both keys acts as the boss key.
HookAction KeyHookAction(int tabCount, unsigned message, int vkCode, int modifiersDown, const HotKey& bossKey,
                         const HotKey& soundKey);

}  // namespace vorn::launcher
