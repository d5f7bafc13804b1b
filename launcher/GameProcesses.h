#pragma once
// The game processes of one launcher window, each held by one owner: its process handle
// (closed with it), its id and where it stands. A
// process that ends on its own is reported to the window as a posted message carrying
// the process's serial number, which the window looks up again: a report about a process
// the window has already let go of finds nothing and is dropped.
#include <windows.h>

#include <memory>
#include <vector>

#include "common/KernelHandle.h"
#include "launcher/GameProcessRules.h"

namespace vorn::launcher {

class GameProcess {
public:
    // Takes the handle (which must allow waiting); watches it when `notify` is a window.
    GameProcess(HANDLE process, unsigned serial, ChildState initialState, HWND notify, UINT endedMessage);
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    DWORD Pid() const { return m_pid; }
    unsigned Serial() const { return m_serial; }
    bool HasEnded() const;
    // Ends the process at once (a login the launcher gives up).
    void Terminate() const;

    // A login of this launcher still under way: started here, alive, no window yet.
    bool IsLiveLogin() const { return startedHere && state == ChildState::kLoggingIn && !HasEnded(); }

    ChildState state;
    bool startedHere = false;  // a game process of this launcher, not one that only wrote to it

private:
    struct WaitContext {
        HWND notify;
        UINT message;
        unsigned serial;
    };
    static void CALLBACK OnEnded(void* context, BOOLEAN timedOut);

    vorn::KernelHandle m_process;
    DWORD m_pid;
    unsigned m_serial;
    WaitContext m_context;
    HANDLE m_wait = nullptr;
};

class GameProcesses {
public:
    // endedMessage is posted to the window (wParam: the process's serial) when a watched
    // process ends.
    explicit GameProcesses(UINT endedMessage) : m_endedMessage(endedMessage) {}

    void SetWindow(HWND window) { m_window = window; }

    // A game process started here: it is logging in.
    GameProcess& AddStarted(HANDLE process);
    // A process that sent a title or a window without being started here, opened by its id
    // to be watched; null when it cannot be opened.
    GameProcess* Adopt(DWORD pid, ChildState state);

    GameProcess* FindByPid(DWORD pid);
    GameProcess* FindBySerial(unsigned serial);
    // Lets a process go (a closed tab, an ended process): its handle is closed.
    void Forget(const GameProcess& process);
    // Lets every process go; the processes themselves run on.
    void Clear();

    // Kills every login of this launcher still under way (the launcher ends).
    void TerminateLogins() const;

    // The game processes started here that are still logging in and have not ended.
    std::vector<DWORD> LoggingInPids() const;
    int CountLoggingIn() const;

private:
    std::vector<std::unique_ptr<GameProcess>> m_processes;
    UINT m_endedMessage;
    HWND m_window = nullptr;
    unsigned m_nextSerial = 1;
};

}  // namespace vorn::launcher
