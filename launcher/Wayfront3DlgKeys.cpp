// The launcher's side of the global keyboard hook (boss key and sound key anywhere on the
// desktop, see KeyHook.h), the hot keys, and the rules for key and close messages queued
// to the launcher's own windows (window-switch key, Esc, F5, a cancelled login).
#include "launcher/Wayfront3Dlg.h"

#include "common/Settings.h"
#include "hotkeys/HotKeys.h"
#include "launcher/KeyHook.h"
#include "launcher/KeyHookRules.h"
#include "launcher/LauncherMessages.h"
#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"

using namespace vorn::launcher;
using namespace vorn::launcher::window;

void CWayfront3Dlg::InstallKeyboardHook() {
    SetKeyHookTarget(m_hWnd, &m_arrTabWnd);
    InstallKeyHook();
}

void CWayfront3Dlg::RemoveKeyboardHook() { RemoveKeyHook(); }

void CWayfront3Dlg::OnHotKey(WPARAM action) {
    switch (static_cast<HookAction>(action)) {
    case HookAction::kToggleHide:
        ToggleHide();
        break;
    case HookAction::kToggleSound:
        ToggleSound();
        break;
    case HookAction::kNone:
        break;
    }
}

void CWayfront3Dlg::LoadHotKeys() {
    using namespace vorn::settings;
    vorn::ReadHotKey(kKeyBossKey, kKeyBossKeyDefault, &m_bossKey.code, &m_bossKey.modifiers);
    vorn::ReadHotKey(kKeySwitchKey, kKeySwitchKeyDefault, &m_switchKey.code, &m_switchKey.modifiers);
    for (HWND window : m_arrTabWnd) PostMessageW(window, kMsgGameReloadHotKeys, 0, 0);
    if (m_hPageWnd != nullptr) PostMessageW(m_hPageWnd, kMsgGameReloadHotKeys, 0, 0);
    vorn::ReadHotKey(kKeySoundKey, kKeySoundKeyDefault, &m_soundKey.code, &m_soundKey.modifiers);
    SetKeyHookKeys(m_bossKey, m_soundKey);
}

bool CWayfront3Dlg::IsHotKeyPress(const MSG& msg) const {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    const int vk = static_cast<int>(msg.wParam);
    if (!MayBeHotKey(TabCount(), msg.message, vk, m_bossKey, m_soundKey)) return false;
    return KeyHookAction(TabCount(), msg.message, vk, vorn::CurrentHotKeyModifiers(), m_bossKey, m_soundKey) !=
           HookAction::kNone;
}

bool CWayfront3Dlg::HandleQueuedRule(MSG* msg, bool* consumed) {
    const QueuedAction action =
        ClassifyQueuedMessage({msg->message, msg->wParam, msg->lParam}, msg->hwnd == m_hWnd, m_switchKey,
                              vorn::CurrentHotKeyModifiers(), TabCount(), m_children.HasPending());
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
        m_children.DropPending();
        return true;
    case QueuedAction::kEndPendingAndExit:
        ExitLauncher();  // which ends the login too
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
