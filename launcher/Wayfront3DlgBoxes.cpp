// The launcher shown and hidden with everything it shows, and its own boxes: a box open
// when the launcher hides goes with it, an answer that comes while it is hidden waits for
// its return, and a login that ends never gives the window back under a box of its own.
#include "launcher/Wayfront3Dlg.h"

#include <utility>

#include "hotkeys/SettingDlg.h"
#include "launcher/Wayfront3DlgParts.h"
#include "skin/MessageBox.h"

using namespace vorn::launcher;
using namespace vorn::launcher::window;

void CWayfront3Dlg::BringToFront() {
    HWND foreground = GetForegroundWindow();
    const DWORD ours = GetCurrentThreadId();
    const DWORD theirs = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attach = theirs != 0 && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_hWnd);
    if (attach) AttachThreadInput(ours, theirs, FALSE);
}

void CWayfront3Dlg::ToggleHide() {
    if (m_hWnd == nullptr) return;
    if (!IsWindowVisible(m_hWnd)) {
        ShowWindow(m_hWnd, SW_RESTORE);
        BringToFront();
        for (HWND box : std::exchange(m_hiddenBoxes, {})) {
            if (IsWindow(box)) ShowWindow(box, SW_SHOWNA);
        }
        if (!m_deferredBoxes.empty()) PostMessageW(m_hWnd, kMsgShowDeferredBoxes, 0, 0);
        return;
    }
    ShowWindow(m_hWnd, SW_HIDE);
    if (m_dlgAddAcc.m_hWnd != nullptr) ShowWindow(m_dlgAddAcc.m_hWnd, SW_HIDE);
    if (m_dlgNotice.m_hWnd != nullptr) ShowWindow(m_dlgNotice.m_hWnd, SW_HIDE);
    if (m_pOpenSettingsDlg != nullptr && m_pOpenSettingsDlg->m_hWnd != nullptr &&
        IsWindowVisible(m_pOpenSettingsDlg->m_hWnd)) {
        m_pOpenSettingsDlg->EndDialog(IDCANCEL);  // nothing saved
    }
    // The boxes open now (an answer, a question) go with the launcher and come back with it.
    struct Walk {
        HWND launcher;
        std::vector<HWND>* hidden;
    } walk{m_hWnd, &m_hiddenBoxes};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            const auto* w = reinterpret_cast<const Walk*>(context);
            wchar_t type[16] = {};
            GetClassNameW(window, type, 16);
            // Dialogs only: a tool tip or a menu is not to come back.
            if (window != w->launcher && IsWindowVisible(window) && lstrcmpW(type, L"#32770") == 0 &&
                GetAncestor(window, GA_ROOTOWNER) == w->launcher) {
                ShowWindow(window, SW_HIDE);
                w->hidden->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
}

void CWayfront3Dlg::Tell(const std::wstring& text) {
    if (m_hWnd == nullptr || m_bExiting) return;
    if (!IsWindowVisible(m_hWnd)) {
        m_deferredBoxes.push_back(text);
        return;
    }
    RunModal([&] { return ShowMessage(0, kTitle, text.c_str(), m_hWnd); });
}

void CWayfront3Dlg::ShowDeferredBoxes() {
    while (!m_deferredBoxes.empty() && m_hWnd != nullptr && IsWindowVisible(m_hWnd)) {
        const std::wstring text = m_deferredBoxes.front();
        m_deferredBoxes.erase(m_deferredBoxes.begin());
        Tell(text);
    }
}

int CWayfront3Dlg::RunModal(const std::function<int()>& box) {
    ++m_nOwnModal;
    const int result = box();
    --m_nOwnModal;
    // A login that ended meanwhile left the window to this box.
    EnableUnlessHeld();
    return result;
}

void CWayfront3Dlg::EnableUnlessHeld() {
    if (m_hWnd == nullptr || m_nOwnModal > 0 || m_tabs.CountPendingLogins() > 0) return;
    if (!IsWindowEnabled(m_hWnd)) EnableWindow(m_hWnd, TRUE);
}
