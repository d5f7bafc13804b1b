// The launcher's keyboard hook sees every key of the desktop. Prints the cost per key of
// the launcher's own hook procedure for a key that is no hot key (the decision and the
// hand-on to the next hook), and for the key of a hot key pressed without its modifiers
// (the modifier state is then asked for), beside a bare hand-on measured in the same run.
// Figures only.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "launcher/KeyHook.h"
#include "launcher/KeyHookRules.h"

namespace {

constexpr int kKeys = 4000;  // per round
constexpr int kRounds = 5;   // the figures are interleaved and the quickest round is kept:
                             // the machine's other work slows single rounds a lot

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
    // The hook posts what it decides to this window; two stand-in tabs keep the keys alive.
    HWND target = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const std::vector<HWND> tabs{target, target};
    vorn::launcher::SetKeyHookTarget(target, &tabs);
    vorn::launcher::SetKeyHookKeys(boss, sound);

    KBDLLHOOKSTRUCT key{};
    volatile LRESULT sink = 0;
    volatile int acted = 0;
    double bare = 1e300, hook = 1e300, hotKeysKey = 1e300, decision = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        bare = std::min(bare, NanosecondsPerKey([&](int i) {
            key.vkCode = 'A' + (i & 15);
            sink = CallNextHookEx(nullptr, HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
        }));
        hook = std::min(hook, NanosecondsPerKey([&](int i) {
            key.vkCode = 'A' + (i & 15);  // letters up to P: never the boss or sound key's own key
            sink = vorn::launcher::KeyHookProc(HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
        }));
        hotKeysKey = std::min(hotKeysKey, NanosecondsPerKey([&](int) {
            key.vkCode = 'Q';  // the sound key's key without Ctrl: the modifiers are asked, nothing acts
            sink = vorn::launcher::KeyHookProc(HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
        }));
        decision = std::min(decision, NanosecondsPerKey([&](int i) {
            const int vk = 'A' + (i & 15);
            if (vorn::launcher::MayBeHotKey(2, WM_KEYDOWN, vk, boss, sound) &&
                vorn::launcher::KeyHookAction(2, WM_KEYDOWN, vk, 0, boss, sound) !=
                    vorn::launcher::HookAction::kNone) {
                acted = acted + 1;
            }
        }));
    }
    MSG msg;
    while (PeekMessageW(&msg, target, 0, 0, PM_REMOVE)) acted = acted + 1;  // what the hook posted
    std::printf("keyboard hook, per key-down (quickest of %d rounds of %d keys, under this Wine):\n", kRounds, kKeys);
    std::printf("  hook procedure, a key that is no hot key's key:      %8.1f ns  (%.2fx the reference)\n", hook,
                hook / bare);
    std::printf("  reference, CallNextHookEx alone:                     %8.1f ns\n", bare);
    std::printf("  hook procedure, a hot key's key (3 GetKeyState):     %8.1f ns\n", hotKeysKey);
    std::printf("  the decision alone:                                  %8.1f ns\n", decision);
    std::printf("  acted on %d keys (expected 0)\n", static_cast<int>(acted));
    // The summary line bench/table.py gathers (tab-separated).
    std::printf("FIGURE\tkeyboard hook per key-down, no hot key\t%.1f us\t%.1f us (hand-on only)\t%.2f\t<= 1.2x\n",
                hook / 1000, bare / 1000, hook / bare);
    std::fflush(stdout);
    DestroyWindow(target);
    return 0;
}
