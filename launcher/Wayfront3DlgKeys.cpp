// The launcher's global keyboard hook (boss key and sound key anywhere on the desktop),
// the hot keys it compares with, and the rules for key and close messages queued to the
// launcher's own windows (window-switch key, Esc, F5, a cancelled login).
#include "launcher/Wayfront3Dlg.h"

#include "common/Settings.h"
#include "hotkeys/HotKeys.h"
#include "launcher/KeyHookRules.h"
#include "launcher/LauncherMessages.h"
#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"

using namespace vorn::launcher;
using namespace vorn::launcher::window;

namespace {

// The one main window of this process, for the hook, which has no other way to reach it.
CWayfront3Dlg* g_pHookTarget = nullptr;
HHOOK g_hKeyboardHook = nullptr;
// Boss key, window-switch key and sound key, as last loaded.
vorn::HotKey g_bossKey, g_switchKey, g_soundKey;

}  // namespace

LRESULT CALLBACK CWayfront3Dlg::KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    // Every key of the desktop passes here: compare and act, nothing else, and always hand
    // the key on.
    if (code == HC_ACTION && g_pHookTarget != nullptr && lParam != 0 && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN)) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        switch (KeyHookAction(g_pHookTarget->TabCount(), static_cast<unsigned>(wParam), static_cast<int>(key->vkCode),
                              vorn::CurrentHotKeyModifiers(), g_bossKey, g_soundKey)) {
        case HookAction::kToggleHide:
            g_pHookTarget->ToggleHide();
            break;
        case HookAction::kToggleSound:
            g_pHookTarget->ToggleSound();
            break;
        case HookAction::kNone:
            break;
        }
    }
    return CallNextHookEx(g_hKeyboardHook, code, wParam, lParam);
}

void CWayfront3Dlg::InstallKeyboardHook() {
    g_pHookTarget = this;
    g_hKeyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardHookProc, AfxGetInstanceHandle(), 0);
}

void CWayfront3Dlg::RemoveKeyboardHook() {
    if (g_hKeyboardHook != nullptr) UnhookWindowsHookEx(g_hKeyboardHook);
    g_hKeyboardHook = nullptr;
    if (g_pHookTarget == this) g_pHookTarget = nullptr;
}

void CWayfront3Dlg::LoadHotKeys() {
    using namespace vorn::settings;
    vorn::ReadHotKey(kKeyBossKey, kKeyBossKeyDefault, &g_bossKey.code, &g_bossKey.modifiers);
    vorn::ReadHotKey(kKeySwitchKey, kKeySwitchKeyDefault, &g_switchKey.code, &g_switchKey.modifiers);
    for (HWND window : m_arrTabWnd) PostMessageW(window, kMsgGameReloadHotKeys, 0, 0);
    if (m_hPageWnd != nullptr) PostMessageW(m_hPageWnd, kMsgGameReloadHotKeys, 0, 0);
    vorn::ReadHotKey(kKeySoundKey, kKeySoundKeyDefault, &g_soundKey.code, &g_soundKey.modifiers);
}

bool CWayfront3Dlg::HandleQueuedRule(MSG* msg, bool* consumed) {
    const QueuedAction action =
        ClassifyQueuedMessage({msg->message, msg->wParam, msg->lParam}, msg->hwnd == m_hWnd, g_switchKey,
                              vorn::CurrentHotKeyModifiers(), TabCount(), m_hPendingChild != nullptr);
    *consumed = true;
    switch (action) {
    case QueuedAction::kNextTab:
        NextTab();
        return true;
    case QueuedAction::kSwallow:
        return true;
    case QueuedAction::kExit:
        ExitLauncher();
        return true;
    case QueuedAction::kDropPending:
        CloseHandle(m_hPendingChild);
        m_hPendingChild = nullptr;
        return true;
    case QueuedAction::kEndPendingAndExit:
        if (m_hPendingChild != nullptr) TerminateProcess(m_hPendingChild, 0);
        ExitLauncher();
        return true;
    case QueuedAction::kForwardToTab: {
        HWND target = nullptr;
        if (m_nCurTab >= 0 && m_nCurTab < TabCount() && IsWindowVisible(m_arrTabWnd[static_cast<size_t>(m_nCurTab)])) {
            target = m_arrTabWnd[static_cast<size_t>(m_nCurTab)];
        } else if (IsPageVisible()) {
            target = m_hPageWnd;
        }
        if (target != nullptr) PostMessageW(target, msg->message, msg->wParam, msg->lParam);
        return true;
    }
    case QueuedAction::kRestoreThenPass:
        ShowWindow(m_hWnd, SW_RESTORE);
        break;
    case QueuedAction::kPass:
        break;
    }
    *consumed = false;
    return false;
}

BOOL CWayfront3Dlg::PreTranslateMessage(MSG* msg) {
    bool consumed = false;
    HandleQueuedRule(msg, &consumed);
    if (consumed) return TRUE;
    m_tip.RelayEvent(msg);
    return CDlgEx::PreTranslateMessage(msg);
}
