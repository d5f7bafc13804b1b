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
    m_children.AddStarted(process);
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
            ShowMessage(0, kTitle, L"当前窗体只支持3个游戏页", m_hWnd);
            m_bTabLimitShown = false;
        } else if (m_children.CountLoggingIn() < kMaxTabs) {
            StartTabProcess();
        }
    } else if (newTab == 0) {
        if (vorn::PassLauncherStartGate()) StartNewLauncher();
    }
}

void CWayfront3Dlg::DropEndedTitles() {
    // A title's process that the launcher no longer holds has ended (or its window came).
    m_pendingTitles.DropEnded([&](ProcessId process) {
        const GameProcess* held = m_children.FindByPid(process);
        return held == nullptr || held->HasEnded();
    });
}

void CWayfront3Dlg::OnChildEnded(unsigned serial) {
    GameProcess* child = m_children.FindBySerial(serial);
    // Let go of already, or a forged report about a process that still runs.
    if (child == nullptr || !child->HasEnded()) return;
    const ChildState state = child->state;
    const HWND window = child->window;
    m_children.Forget(*child);
    DropEndedTitles();

    const auto tab = std::find(m_arrTabWnd.begin(), m_arrTabWnd.end(), window);
    const bool isTab = state == ChildState::kTab && window != nullptr && tab != m_arrTabWnd.end();
    const bool isPage = state == ChildState::kPageWindow && window != nullptr && window == m_hPageWnd;
    const int tabsLeft = TabCount() - (isTab ? 1 : 0);
    const bool pageLeft = m_hPageWnd != nullptr && !isPage;
    const ChildEndEffects effects = AfterChildEnded(state, tabsLeft, pageLeft, m_children.CountLoggingIn());
    if (effects.exitLauncher) {
        ExitLauncher();
        return;
    }
    if (effects.removeTab && isTab) RemoveTab(static_cast<int>(tab - m_arrTabWnd.begin()));
    if (effects.forgetPage && isPage) m_hPageWnd = nullptr;
    if (effects.enableLauncher) EnableWindow(m_hWnd, TRUE);
}

LRESULT CWayfront3Dlg::OnCopyData(WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr) return FALSE;
    const auto title = ReadCopyDataTitle(data->lpData, data->cbData);
    if (!title) return FALSE;
    DropEndedTitles();

    // The sender's window, when it names itself in wParam, gives its process.
    const ProcessId fromWindow = ProcessOf(reinterpret_cast<HWND>(wParam));
    ProcessId sender = TitleSender(fromWindow != GetCurrentProcessId() ? fromWindow : kUnknownProcess,
                                   m_children.LoggingInPids());
    std::vector<std::u16string> tabTitles;
    for (const std::wstring& t : m_arrTabTitle) tabTitles.push_back(vorn::ToU16(t));
    GameProcess* adopted = nullptr;
    if (sender != kUnknownProcess && m_children.FindByPid(sender) == nullptr) {
        // Watched, so that its title goes when it ends; paired by order when it cannot be.
        adopted = m_children.Adopt(sender, ChildState::kLoggingIn);
        if (adopted == nullptr) sender = kUnknownProcess;
    }
    if (!m_pendingTitles.Register(*title, sender, tabTitles)) {
        if (adopted != nullptr) m_children.Forget(*adopted);
        return FALSE;
    }
    return TRUE;
}

bool CWayfront3Dlg::IsAcceptableArrival(HWND window) const {
    // The launcher moves, shows and closes what arrives: only a live window of another
    // process that it does not hold already.
    if (window == nullptr || !IsWindow(window)) return false;
    const ProcessId process = ProcessOf(window);
    if (process == 0 || process == GetCurrentProcessId()) return false;
    if (window == m_hPageWnd) return false;
    return std::find(m_arrTabWnd.begin(), m_arrTabWnd.end(), window) == m_arrTabWnd.end();
}

void CWayfront3Dlg::OnWindowArrived(HWND window, LPARAM isPageWindow) {
    if (!IsAcceptableArrival(window)) return;
    if (m_arrTabWnd.empty()) {
        // The first game window turns the 1 x 1 window into the maximised launcher; a tab
        // after a page window finds it maximised already.
        if (!m_bMaximized) ToggleMaximize();
        AddTrayIcon();
        SetTimer(m_hWnd, kSoundTimer, kSoundPeriodMs, nullptr);
    }
    if (isPageWindow != 0) {
        m_hPageWnd = window;
        if (GameProcess* child = Hold(ProcessOf(window), ChildState::kPageWindow)) child->window = window;
        return;
    }
    ShowTab(nullptr);
    if (IsPageVisible()) ShowWindow(m_hPageWnd, SW_HIDE);

    const ProcessId process = ProcessOf(window);
    DropEndedTitles();
    const std::u16string title = m_pendingTitles.TakeFor(process);
    if (GameProcess* child = Hold(process, ChildState::kTab)) child->window = window;

    m_arrTabWnd.push_back(window);
    m_arrTabTitle.push_back(vorn::ToWide(title));
    m_nCurTab = TabCount() - 1;
    m_children.DropPending();
    Repaint(StripRect(TabCount()));
    if (!m_bNoticeArmed) {
        m_bNoticeArmed = true;
        SetTimer(m_hWnd, kNoticeTimer, kNoticeDelayMs, nullptr);
    }
}

GameProcess* CWayfront3Dlg::Hold(ProcessId process, ChildState state) {
    // Watched from its window's arrival on, whoever started it.
    GameProcess* child = m_children.FindByPid(process);
    if (child == nullptr) return m_children.Adopt(process, state);
    child->state = state;
    return child;
}
