// The launcher's keyboard hook sees every key of the desktop. Prints the cost per key of
// what the hook does for a key that is not a hot key (the modifier state, the decision and
// the hand-on to the next hook), beside a bare hand-on measured in the same run. Figures
// only.
#include <windows.h>

#include <cstdio>

#include "hotkeys/HotKeys.h"
#include "launcher/KeyHookRules.h"

namespace {

constexpr int kKeys = 20000;

double SecondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Body>
double NanosecondsPerKey(Body body) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kKeys; ++i) body(i);
    return SecondsSince(start) * 1e9 / kKeys;
}

}  // namespace

int wmain() {
    const vorn::HotKey boss{VK_F10, 0}, sound{'Q', vorn::kModCtrl};
    KBDLLHOOKSTRUCT key{};
    volatile LRESULT sink = 0;
    volatile int acted = 0;
    const double bare = NanosecondsPerKey([&](int i) {
        key.vkCode = 'A' + (i & 15);
        sink = CallNextHookEx(nullptr, HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
    });
    const double hook = NanosecondsPerKey([&](int i) {
        key.vkCode = 'A' + (i & 15);  // letters, never the boss or sound key with no Ctrl held
        const auto action = vorn::launcher::KeyHookAction(2, WM_KEYDOWN, static_cast<int>(key.vkCode),
                                                          vorn::CurrentHotKeyModifiers(), boss, sound);
        if (action != vorn::launcher::HookAction::kNone) acted = acted + 1;
        sink = CallNextHookEx(nullptr, HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
    });
    const double decision = NanosecondsPerKey([&](int i) {
        const auto action = vorn::launcher::KeyHookAction(2, WM_KEYDOWN, 'A' + (i & 15), 0, boss, sound);
        if (action != vorn::launcher::HookAction::kNone) acted = acted + 1;
    });
    std::printf("keyboard hook, per key-down (%d keys, under this Wine):\n", kKeys);
    std::printf("  hook body (3 GetKeyState, decision, CallNextHookEx): %8.1f ns\n", hook);
    std::printf("  reference, CallNextHookEx alone:                     %8.1f ns\n", bare);
    std::printf("  the decision alone:                                  %8.1f ns\n", decision);
    std::printf("  acted on %d keys (expected 0)\n", static_cast<int>(acted));
    // The summary line bench/table.py gathers (tab-separated).
    std::printf("FIGURE\tkeyboard hook per key-down, no hot key\t%.1f us\t%.1f us (hand-on only)\t%.2f\t<= 1.2x\n",
                hook / 1000, bare / 1000, hook / bare);
    std::fflush(stdout);
    return 0;
}
