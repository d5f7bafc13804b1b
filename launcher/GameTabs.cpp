#include "launcher/GameTabs.h"

#include <algorithm>

#include "common/WideText.h"

namespace vorn::launcher {

int GameTabs::IndexOf(HWND window) const {
    const auto found = std::find(m_arrTabWnd.begin(), m_arrTabWnd.end(), window);
    return found == m_arrTabWnd.end() ? -1 : static_cast<int>(found - m_arrTabWnd.begin());
}

void GameTabs::DropEndedTitles() {
    // A title's process that is no longer held has ended (or its window came).
    m_pendingTitles.DropEnded([&](ProcessId process) {
        const GameProcess* held = m_processes.FindByPid(process);
        return held == nullptr || held->HasEnded();
    });
}

bool GameTabs::RegisterTitle(std::u16string title, ProcessId fromSenderWindow) {
    DropEndedTitles();
    ProcessId sender = TitleSender(fromSenderWindow, m_processes.LoggingInPids());
    std::vector<std::u16string> tabTitles;
    for (const std::wstring& t : m_arrTabTitle) tabTitles.push_back(vorn::ToU16(t));
    GameProcess* adopted = nullptr;
    if (sender != kUnknownProcess && m_processes.FindByPid(sender) == nullptr) {
        // Watched, so that its title goes when it ends; paired by order when it cannot be.
        adopted = m_processes.Adopt(sender, ChildState::kLoggingIn);
        if (adopted == nullptr) sender = kUnknownProcess;
    }
    if (!m_pendingTitles.Register(std::move(title), sender, tabTitles)) {
        if (adopted != nullptr) m_processes.Forget(*adopted);
        return false;
    }
    return true;
}

bool GameTabs::IsNew(HWND window) const {
    if (window == nullptr || !IsWindow(window)) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == 0 || process == GetCurrentProcessId()) return false;
    return window != m_hPageWnd && IndexOf(window) < 0;
}

GameProcess* GameTabs::Hold(ProcessId process, ChildState state) {
    GameProcess* child = m_processes.FindByPid(process);
    if (child == nullptr) return m_processes.Adopt(process, state);
    child->state = state;
    return child;
}

void GameTabs::AddTab(HWND window, ProcessId process) {
    DropEndedTitles();
    const std::u16string title = m_pendingTitles.TakeFor(process);
    const GameProcess* held = Hold(process, ChildState::kTab);
    m_arrTabWnd.push_back(window);
    m_arrTabTitle.push_back(vorn::ToWide(title));
    m_tabProcess.push_back(held != nullptr ? held->Pid() : 0);
}

void GameTabs::SetPageWindow(HWND window, ProcessId process) {
    m_hPageWnd = window;
    const GameProcess* held = Hold(process, ChildState::kPageWindow);
    m_pageProcess = held != nullptr ? held->Pid() : 0;
}

void GameTabs::RemoveTab(int tab) {
    if (tab < 0 || tab >= Count()) return;
    const auto at = static_cast<size_t>(tab);
    if (GameProcess* child = m_processes.FindByPid(m_tabProcess[at])) m_processes.Forget(*child);
    m_arrTabWnd.erase(m_arrTabWnd.begin() + tab);
    m_arrTabTitle.erase(m_arrTabTitle.begin() + tab);
    m_tabProcess.erase(m_tabProcess.begin() + tab);
}

std::optional<GameTabs::Ended> GameTabs::TakeEnded(unsigned serial) {
    GameProcess* child = m_processes.FindBySerial(serial);
    if (child == nullptr || !child->HasEnded()) return std::nullopt;
    Ended ended;
    ended.state = child->state;
    const DWORD pid = child->Pid();
    m_processes.Forget(*child);
    DropEndedTitles();
    if (ended.state == ChildState::kTab) {
        const auto found = std::find(m_tabProcess.begin(), m_tabProcess.end(), pid);
        if (found != m_tabProcess.end()) ended.tab = static_cast<int>(found - m_tabProcess.begin());
    } else if (ended.state == ChildState::kPageWindow && m_hPageWnd != nullptr && pid == m_pageProcess) {
        ended.page = true;
        m_hPageWnd = nullptr;
        m_pageProcess = 0;
    }
    return ended;
}

std::vector<HWND> GameTabs::EndAll() {
    m_processes.TerminateLogins();
    m_processes.Clear();
    std::vector<HWND> windows = std::move(m_arrTabWnd);
    m_arrTabWnd.clear();
    m_arrTabTitle.clear();
    m_tabProcess.clear();
    return windows;
}

}  // namespace vorn::launcher
