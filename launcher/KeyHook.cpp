#include "launcher/KeyHook.h"

#include "hotkeys/HotKeys.h"
#include "hotkeys/SettingDlg.h"
#include "launcher/LauncherMessages.h"

namespace vorn::launcher {

namespace {

// The hook has no other way to reach its window than state of its own.
struct HookState {
    HHOOK hook = nullptr;
    HWND target = nullptr;
    const std::vector<HWND>* tabs = nullptr;
    HotKeySet keys;
    ModifierTracker modifiers;
};
HookState g_hook;

}  // namespace

void SetKeyHookTarget(HWND target, const std::vector<HWND>* tabs) {
    g_hook.target = target;
    g_hook.tabs = tabs;
}

void SetKeyHookKeys(const HotKeySet& keys) { g_hook.keys = keys; }

bool InstallKeyHook() {
    if (g_hook.hook == nullptr) {
        // What is held when the hook starts; every change after that arrives through it.
        for (int vk : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU}) {
            g_hook.modifiers.Seed(vk, GetAsyncKeyState(vk) < 0);
        }
        g_hook.hook = SetWindowsHookExW(WH_KEYBOARD_LL, &KeyHookProc, GetModuleHandleW(nullptr), 0);
    }
    return g_hook.hook != nullptr;
}

void RemoveKeyHook() {
    if (g_hook.hook != nullptr) UnhookWindowsHookEx(g_hook.hook);
    g_hook.hook = nullptr;
    g_hook.target = nullptr;
    g_hook.tabs = nullptr;
}

LRESULT CALLBACK KeyHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && lParam != 0 && g_hook.target != nullptr) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const int tabs = g_hook.tabs != nullptr ? static_cast<int>(g_hook.tabs->size()) : 0;
        const auto message = static_cast<unsigned>(wParam);
        const int vk = static_cast<int>(key->vkCode);
        g_hook.modifiers.Take(message, vk);
        KeyPressContext context{true, tabs, false};
        // The focus is asked for only when the key is a hot key's own key.
        if (MayBeHotKey(g_hook.keys, message, vk, context)) {
            context.inKeyBox = IsKeyBoxFocused();
            const HotKeyRole role = HotKeyRoleOf(g_hook.keys, message, vk, 0, g_hook.modifiers.Held(), context);
            if (role != HotKeyRole::kNone) PostMessageW(g_hook.target, kMsgHotKey, static_cast<WPARAM>(role), 0);
        }
    }
    return CallNextHookEx(g_hook.hook, code, wParam, lParam);
}

}  // namespace vorn::launcher
