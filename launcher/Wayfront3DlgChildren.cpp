// The game processes of the launcher: starting them (and the updater or another
// launcher), the titles they register by WM_COPYDATA and the windows they send.
#include "launcher/Wayfront3Dlg.h"

#include <algorithm>

#include "common/ModulePath.h"
#include "common/PathRules.h"
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

bool HasEnded(HANDLE process) { return process == nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

ProcessId ProcessOf(HWND window) {
    DWORD pid = 0;
    if (window != nullptr && IsWindow(window)) GetWindowThreadProcessId(window, &pid);
    return pid;
}

}  // namespace

void CWayfront3Dlg::StartTabProcess() {
    const std::wstring self = vorn::GetModulePath(nullptr);
    if (self.empty()) return;
    const auto handle = static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(m_hWnd));
    std::wstring commandLine = vorn::ToWide(TabProcessCommandLine(vorn::ToU16(self), handle, TabCount()));
    HANDLE process = nullptr;
    if (!vorn::StartProcess(TabProgramOverride(), commandLine, &process)) return;
    if (m_hPendingChild != nullptr) CloseHandle(m_hPendingChild);
    m_hPendingChild = process;
    // A second handle to the same process, for knowing who registers a title.
    HANDLE watch = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &watch, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        m_childrenLoggingIn.push_back(watch);
    }
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
    if (newTab == 1) {
        if (TabCount() < kMaxTabs) {
            StartTabProcess();
        } else {
            ShowMessage(0, kTitle, L"当前窗体只支持3个游戏页", m_hWnd);
        }
    } else if (newTab == 0) {
        StartNewLauncher();
    }
}

std::vector<ProcessId> CWayfront3Dlg::ProcessesLoggingIn() {
    std::erase_if(m_childrenLoggingIn, [](HANDLE child) {
        if (!HasEnded(child)) return false;
        CloseHandle(child);
        return true;
    });
    std::vector<ProcessId> pids;
    for (HANDLE child : m_childrenLoggingIn) pids.push_back(GetProcessId(child));
    return pids;
}

void CWayfront3Dlg::ReleaseTitleProcess(ProcessId process) {
    if (m_pendingTitles.HasProcess(process)) return;
    std::erase_if(m_titleProcesses, [&](const std::pair<ProcessId, HANDLE>& entry) {
        if (entry.first != process) return false;
        CloseHandle(entry.second);
        return true;
    });
}

void CWayfront3Dlg::DropEndedTitles() {
    const auto ended = m_pendingTitles.DropEnded([&](ProcessId process) {
        for (const auto& [pid, handle] : m_titleProcesses) {
            if (pid == process) return HasEnded(handle);
        }
        return false;
    });
    for (ProcessId process : ended) ReleaseTitleProcess(process);
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
                                   ProcessesLoggingIn());
    HANDLE watch = nullptr;
    const bool watched = std::any_of(m_titleProcesses.begin(), m_titleProcesses.end(),
                                     [&](const auto& entry) { return entry.first == sender; });
    if (sender != kUnknownProcess && !watched) {
        watch = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, sender);
        if (watch == nullptr) sender = kUnknownProcess;  // cannot be watched: paired by order
    }
    std::vector<std::u16string> tabTitles;
    for (const std::wstring& t : m_arrTabTitle) tabTitles.push_back(vorn::ToU16(t));
    if (!m_pendingTitles.Register(*title, sender, tabTitles)) {
        if (watch != nullptr) CloseHandle(watch);
        return FALSE;
    }
    if (watch != nullptr) m_titleProcesses.emplace_back(sender, watch);
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
        return;
    }
    ShowTab(nullptr);
    if (IsPageVisible()) ShowWindow(m_hPageWnd, SW_HIDE);

    const ProcessId process = ProcessOf(window);
    DropEndedTitles();
    const std::u16string title = m_pendingTitles.TakeFor(process);
    ReleaseTitleProcess(process);
    std::erase_if(m_childrenLoggingIn, [&](HANDLE child) {
        if (GetProcessId(child) != process) return false;
        CloseHandle(child);
        return true;
    });

    m_arrTabWnd.push_back(window);
    m_arrTabTitle.push_back(vorn::ToWide(title));
    m_nCurTab = TabCount() - 1;
    if (m_hPendingChild != nullptr) CloseHandle(m_hPendingChild);
    m_hPendingChild = nullptr;
    Repaint(StripRect(TabCount()));
    if (!m_bNoticeArmed) {
        m_bNoticeArmed = true;
        SetTimer(m_hWnd, kNoticeTimer, kNoticeDelayMs, nullptr);
    }
}
