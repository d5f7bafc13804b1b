// The tray icon, the two pop-up menus (system button and tray) and what their commands
// do: refresh, hide, cache clearing, the update check, settings and exit.
#include "launcher/Wayfront3Dlg.h"

#include <shellapi.h>

#include "common/GameMessages.h"
#include "common/RunMode.h"
#include "common/WideText.h"
#include "hotkeys/SettingDlg.h"
#include "launcher/LauncherMenuWin.h"
#include "launcher/LauncherMessages.h"
#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"
#include "maintenance/CacheClear.h"
#include "online/UpdateCheck.h"

using namespace vorn::launcher;
using namespace vorn::launcher::window;

namespace {

NOTIFYICONDATAW TrayIconData(HWND window, HICON icon) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;  // this build's own structure, whatever its width
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = vorn::messages::kTrayCallback;
    data.hIcon = icon;
    lstrcpynW(data.szTip, kTitle, ARRAYSIZE(data.szTip));
    return data;
}

}  // namespace

void CWayfront3Dlg::AddTrayIcon() {
    if (m_bTrayIcon || m_bExiting || m_hWnd == nullptr) return;
    m_bTrayWanted = true;
    NOTIFYICONDATAW data = TrayIconData(m_hWnd, m_hIcon);
    m_bTrayIcon = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void CWayfront3Dlg::RemoveTrayIcon() {
    if (m_hWnd == nullptr) return;
    // Asked whether or not it was added: a removal of nothing does no harm.
    NOTIFYICONDATAW data = TrayIconData(m_hWnd, m_hIcon);
    Shell_NotifyIconW(NIM_DELETE, &data);
    m_bTrayIcon = false;
}

void CWayfront3Dlg::ShowSystemMenu() {
    HMENU menu = CreateLauncherMenu(MenuKind::kSystem);
    if (menu == nullptr) return;
    RECT button{};
    GetWindowRect(m_btnMenu.m_hWnd, &button);
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD, button.left, button.bottom + 2, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
    RunMenuCommand(command);
}

void CWayfront3Dlg::ShowTrayMenu() {
    // In front first, so that a click elsewhere closes the menu.
    SetForegroundWindow(m_hWnd);
    POINT cursor{};
    GetCursorPos(&cursor);
    HMENU menu = CreateLauncherMenu(MenuKind::kTray);
    if (menu == nullptr) return;
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0,
                                       m_hWnd, nullptr);
    DestroyMenu(menu);
    PostMessageW(m_hWnd, WM_NULL, 0, 0);  // lets the menu's window go before the next one
    RunMenuCommand(command);
}

void CWayfront3Dlg::RunMenuCommand(int command) {
    switch (command) {
    case kMenuRefresh:
        // Marked as the program's own: it refreshes even where F5 is a hot key.
        PostMessageW(m_hWnd, WM_KEYDOWN, VK_F5, vorn::messages::kOwnMessageMarker);
        break;
    case kMenuToggleHide:
        ToggleHide();
        break;
    case kMenuClearCache:
        ClearCache();
        break;
    case kMenuUpdate:
        CheckForUpdateNow();
        break;
    case kMenuSettings:
        OpenSettings();
        break;
    case kMenuExit:
        ExitLauncher();
        break;
    default:  // dismissed, or the version line
        break;
    }
}

void CWayfront3Dlg::CheckForUpdateNow() {
    if (m_updateJob.Running()) return;  // the answer of the check under way will come
    m_updateJob.Start(m_hWnd, kMsgUpdateChecked, [] {
        wchar_t address[512] = {};
        UpdateAnswer answer;
        answer.update = vorn::CheckForUpdate(true, vorn::MODE_INSTALLED, address, nullptr, &answer.outcome) != 0;
        return answer;
    });
}

void CWayfront3Dlg::OnUpdateChecked(WPARAM job) {
    const auto answer = m_updateJob.Take(job);
    if (!answer) return;
    if (answer->update) {
        StartUpdater();
        ExitLauncher();
        return;
    }
    Tell(vorn::ToWide(std::u16string(vorn::UpdateMenuAnswerText(answer->outcome))));
}

void CWayfront3Dlg::ClearCache() {
    // The answer comes when the thread has finished (kMsgCacheCleared).
    if (vorn::StartCacheClearing({m_hWnd, kMsgCacheCleared})) ++m_nCacheClearings;
}

void CWayfront3Dlg::OnCacheCleared(WPARAM everythingRemoved) {
    if (m_nCacheClearings <= 0) return;  // not one of ours
    --m_nCacheClearings;
    Tell(vorn::ToWide(std::u16string(CacheClearedText(everythingRemoved == 1))));
}

void CWayfront3Dlg::OpenSettings() {
    if (m_pOpenSettingsDlg != nullptr) {
        if (m_pOpenSettingsDlg->m_hWnd != nullptr) SetForegroundWindow(m_pOpenSettingsDlg->m_hWnd);
        return;
    }
    CSettingDlg dialog(this);
    m_pOpenSettingsDlg = &dialog;
    RunModal([&] { return static_cast<int>(dialog.DoModal()); });
    m_pOpenSettingsDlg = nullptr;
}
