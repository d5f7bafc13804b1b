#pragma once
// The launcher's game windows and what leads to them: the tabs (window, title, process),
// the page window, the game processes and the titles registered ahead of their windows.
// This type alone writes them, so that a tab's window, title and process cannot drift
// apart; the main window reads the two tab lists through views and asks for changes.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "launcher/GameProcesses.h"
#include "launcher/TabTitles.h"

namespace vorn::launcher {

class GameTabs {
public:
    // endedMessage: posted to the window (wParam: a serial) when a watched process ends.
    explicit GameTabs(UINT endedMessage) : m_processes(endedMessage) {}

    void SetWindow(HWND window) { m_processes.SetWindow(window); }

    // The tab windows and their titles, in tab order, with the same count.
    const std::vector<HWND>& Windows() const { return m_arrTabWnd; }
    const std::vector<std::wstring>& Titles() const { return m_arrTabTitle; }
    int Count() const { return static_cast<int>(m_arrTabWnd.size()); }
    // The tab showing this window; -1 for none.
    int IndexOf(HWND window) const;
    HWND PageWindow() const { return m_hPageWnd; }

    // A login is pending while its process, started here, is alive and its window has not
    // arrived.
    int CountPendingLogins() const { return m_processes.CountLoggingIn(); }

    void AddStarted(HANDLE process) { m_processes.AddStarted(process); }
    // A title sent by a game process (fromSenderWindow: the process of the window it named,
    // or 0); false when refused (the same as a tab's or another pending title).
    bool RegisterTitle(std::u16string title, ProcessId fromSenderWindow);
    // A game window that is no tab nor page window yet, of another live process.
    bool IsNew(HWND window) const;
    // The window becomes the last tab, with the title its process registered; its process
    // is watched from now on, whoever started it.
    void AddTab(HWND window, ProcessId process);
    void SetPageWindow(HWND window, ProcessId process);
    // Takes a tab out; its process, which ends with its window, is no longer watched.
    void RemoveTab(int tab);

    // A watched process that ended, taken out of the records (the tab itself stays until
    // RemoveTab): where it stood, and its tab or page window.
    struct Ended {
        ChildState state = ChildState::kLoggingIn;
        int tab = -1;       // the tab it showed, -1 for none
        bool page = false;  // it showed the page window (now forgotten)
    };
    // Nothing when the serial is no process held, or that process still runs (a forged
    // report).
    std::optional<Ended> TakeEnded(unsigned serial);

    // The launcher ends: every login under way is killed, the processes are let go (those
    // with windows end with them) and the lists emptied; answers the tab windows to close.
    std::vector<HWND> EndAll();

private:
    void DropEndedTitles();
    GameProcess* Hold(ProcessId process, ChildState state);

    std::vector<HWND> m_arrTabWnd;
    std::vector<std::wstring> m_arrTabTitle;
    std::vector<DWORD> m_tabProcess;  // each tab's process id (0: could not be watched)
    HWND m_hPageWnd = nullptr;        // a game window that asked not to be a tab
    DWORD m_pageProcess = 0;
    GameProcesses m_processes;
    PendingTitles m_pendingTitles;
};

}  // namespace vorn::launcher
