// The game processes of the launcher: starting them (and the updater or another
// launcher), the titles they register by WM_COPYDATA and the windows they send.
#include "launcher/Wayfront3Dlg.h"

#include <algorithm>

#include "common/ModulePath.h"
#include "common/PathRules.h"
#include "common/StartGate.h"
#include "common/StartProcess.h"
#include "common/WideText.h"
#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"
#include "skin/MessageBox.h"

using namespace vorn::launcher;
using namespace vorn::launcher::window;

namespace {

// The program a game process runs: this one. Test builds may put a protocol-speaking
// stand-in in its place (the command line stays the one this program builds).
const wchar_t* TabProgramOverride() {
#ifdef VORN_TEST_HOOKS
    static wchar_t program[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"VORN_TEST_TAB_PROGRAM", program, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return program;
#endif
    return nullptr;
}

}  // namespace

void CWayfront3Dlg::StartTabProcess() {
    const std::wstring self = vorn::GetModulePath(nullptr);
    if (self.empty()) return;
    const auto handle = static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(m_hWnd));
    std::wstring commandLine = vorn::ToWide(TabProcessCommandLine(vorn::ToU16(self), handle, TabCount()));
    HANDLE process = nullptr;
    if (!vorn::StartProcess(TabProgramOverride(), commandLine, &process)) return;
    m_tabs.AddStarted(process);
}

void CWayfront3Dlg::StartUpdater() {
    const std::wstring self = vorn::GetModulePath(nullptr);
    if (self.empty()) return;
    vorn::StartProcess(nullptr, vorn::ToWide(UpdaterCommandLine(vorn::ToU16(self))), nullptr);
}

void CWayfront3Dlg::StartNewLauncher() {
    const std::wstring self = vorn::GetModulePath(nullptr);
    if (self.empty()) return;
    // No switches: the new instance chooses its role as a launcher started by the player.
    vorn::StartProcess(nullptr, vorn::ToWide(vorn::QuotedProgramPath(vorn::ToU16(self))), nullptr);
}

void CWayfront3Dlg::ShowAddAccountQuestion() {
    if (m_dlgAddAcc.m_hWnd == nullptr && !m_dlgAddAcc.Create(kAddAccountTemplate, this)) return;
    RECT link{}, question{};
    GetWindowRect(m_stcOtherAccount.m_hWnd, &link);
    GetWindowRect(m_dlgAddAcc.m_hWnd, &question);
    SetWindowPos(m_dlgAddAcc.m_hWnd, nullptr, link.right - (question.right - question.left), link.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_dlgAddAcc.m_hWnd, SW_SHOW);
}

void CWayfront3Dlg::OnAddAccountAnswer(WPARAM newTab) {
    // The answer may come from any process: a burst of them starts no more programs than
    // a player answering the question could.
    if (newTab == 1) {
        if (TabCount() >= kMaxTabs) {
            // One box at a time: each would otherwise open inside the last one's loop.
            if (m_bTabLimitShown) return;
            m_bTabLimitShown = true;
            Tell(L"当前窗体只支持3个游戏页");
            m_bTabLimitShown = false;
        } else if (m_tabs.CountPendingLogins() < kMaxTabs) {
            StartTabProcess();
        }
    } else if (newTab == 0) {
        if (vorn::PassLauncherStartGate()) StartNewLauncher();
    }
}

void CWayfront3Dlg::OnChildEnded(unsigned serial) {
    // Nothing for a process let go of already, or a forged report about one that runs.
    const auto ended = m_tabs.TakeEnded(serial);
    if (!ended || m_bExiting) return;
    const bool isTab = ended->state == ChildState::kTab && ended->tab >= 0;
    const int tabsLeft = TabCount() - (isTab ? 1 : 0);
    const ChildEndEffects effects =
        AfterChildEnded(ended->state, tabsLeft, m_tabs.PageWindow() != nullptr, m_tabs.CountPendingLogins());
    if (effects.exitLauncher) {
        ExitLauncher();
        return;
    }
    if (effects.removeTab && isTab) RemoveTab(ended->tab);
    if (effects.enableLauncher) EnableUnlessHeld();
}

LRESULT CWayfront3Dlg::OnCopyData(WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr) return FALSE;
    const auto title = ReadCopyDataTitle(data->lpData, data->cbData);
    if (!title) return FALSE;
    // The sender's window, when it names itself in wParam, gives its process.
    const ProcessId fromWindow = ProcessOf(reinterpret_cast<HWND>(wParam));
    return m_tabs.RegisterTitle(*title, fromWindow != GetCurrentProcessId() ? fromWindow : kUnknownProcess) ? TRUE
                                                                                                           : FALSE;
}

void CWayfront3Dlg::OnWindowArrived(HWND window, LPARAM isPageWindow) {
    // The launcher moves, shows and closes what arrives: only a live window of another
    // process that it does not hold already, and nothing once the exit has begun.
    if (m_bExiting || !m_tabs.IsNew(window)) return;
    if (TabCount() == 0) {
        // The first game window turns the 1 x 1 window into the maximised launcher; a tab
        // after a page window finds it maximised already.
        if (!m_bMaximized) ToggleMaximize();
        AddTrayIcon();
        SetTimer(m_hWnd, kSoundTimer, kSoundPeriodMs, nullptr);
    }
    const ProcessId process = ProcessOf(window);
    if (isPageWindow != 0) {
        m_tabs.SetPageWindow(window, process);
        return;
    }
    ShowTab(nullptr);
    if (IsPageVisible()) ShowWindow(m_tabs.PageWindow(), SW_HIDE);
    m_tabs.AddTab(window, process);
    m_nCurTab = TabCount() - 1;
    Repaint(StripRect(TabCount()));
    if (!m_bNoticeArmed) {
        m_bNoticeArmed = true;
        SetTimer(m_hWnd, kNoticeTimer, kNoticeDelayMs, nullptr);
    }
}
