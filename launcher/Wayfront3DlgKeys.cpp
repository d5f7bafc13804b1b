// The launcher's side of the global keyboard hook (boss key and sound key anywhere on the
// desktop, see KeyHook.h), the hot keys, and the rules for key and close messages queued
// to the launcher's own windows (window-switch key, Esc, F5, a cancelled login).
#include "launcher/Wayfront3Dlg.h"

#include "common/GameMessages.h"
#include "hotkeys/HotKeys.h"
#include "hotkeys/SettingDlg.h"
#include "launcher/KeyHook.h"
#include "launcher/LauncherMessages.h"
#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"

using namespace vorn::launcher;
using namespace vorn::launcher::window;

void CWayfront3Dlg::InstallKeyboardHook() {
    SetKeyHookTarget(m_hWnd, &TabWindows());
    InstallKeyHook();
}

void CWayfront3Dlg::RemoveKeyboardHook() { RemoveKeyHook(); }

void CWayfront3Dlg::OnHotKey(WPARAM role) {
    switch (static_cast<vorn::HotKeyRole>(role)) {
    case vorn::HotKeyRole::kBoss:
        ToggleHide();
        break;
    case vorn::HotKeyRole::kSound:
        ToggleSound();
        break;
    default:  // the hook posts no other
        break;
    }
}

void CWayfront3Dlg::LoadHotKeys() {
    m_hotKeys = vorn::ReadHotKeySet();
    for (HWND window : TabWindows()) PostMessageW(window, vorn::messages::kGameReloadHotKeys, 0, 0);
    if (m_tabs.PageWindow() != nullptr) PostMessageW(m_tabs.PageWindow(), vorn::messages::kGameReloadHotKeys, 0, 0);
    SetKeyHookKeys(m_hotKeys);
}

bool CWayfront3Dlg::SwallowsHotKeyPress(const MSG& msg) const {
    // Only where the default handling would start a menu mode (F10, Alt combinations).
    if (msg.message != WM_SYSKEYDOWN) return false;
    const vorn::KeyPressContext context{false, TabCount(), vorn::IsKeyBoxFocused()};
    const int vk = static_cast<int>(msg.wParam);
    if (!vorn::MayBeHotKey(m_hotKeys, msg.message, vk, context)) return false;
    const vorn::HotKeyRole role =
        vorn::HotKeyRoleOf(m_hotKeys, msg.message, vk, msg.lParam, vorn::CurrentHotKeyModifiers(), context);
    return role == vorn::HotKeyRole::kBoss || role == vorn::HotKeyRole::kSound;
}

bool CWayfront3Dlg::HandleQueuedRule(MSG* msg, bool* consumed) {
    const QueuedMessage queued{msg->message, msg->wParam, msg->lParam};
    const vorn::KeyPressContext context{false, TabCount(), vorn::IsKeyBoxFocused()};
    const bool maybeKey = vorn::MayBeHotKey(m_hotKeys, msg->message, static_cast<int>(msg->wParam), context);
    const vorn::HotKeyRole role =
        maybeKey ? vorn::HotKeyRoleOf(m_hotKeys, msg->message, static_cast<int>(msg->wParam), msg->lParam,
                                      vorn::CurrentHotKeyModifiers(), context)
                 : vorn::HotKeyRole::kNone;
    const QueuedAction action = ClassifyQueuedMessage(queued, msg->hwnd == m_hWnd, role, TabCount());
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
    case QueuedAction::kEndPendingAndExit:
        ExitLauncher();  // which ends the login too
        return true;
    case QueuedAction::kForwardToTab: {
        HWND target = nullptr;
        if (m_nCurTab >= 0 && m_nCurTab < TabCount() && IsWindowVisible(TabWindows()[static_cast<size_t>(m_nCurTab)])) {
            target = TabWindows()[static_cast<size_t>(m_nCurTab)];
        } else if (IsPageVisible()) {
            target = m_tabs.PageWindow();
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
