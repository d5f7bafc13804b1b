#include "launcher/GameProcesses.h"

#include <algorithm>

namespace vorn::launcher {

GameProcess::GameProcess(HANDLE process, unsigned serial, ChildState initial, HWND notify, UINT endedMessage)
    : state(initial), m_process(process), m_pid(GetProcessId(process)), m_serial(serial),
      m_context{notify, endedMessage, serial} {
    if (notify != nullptr &&
        !RegisterWaitForSingleObject(&m_wait, m_process, &OnEnded, &m_context, INFINITE,
                                     WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD)) {
        m_wait = nullptr;
    }
}

GameProcess::~GameProcess() {
    // Waits for a report under way, which only posts: the context must outlive it.
    if (m_wait != nullptr) UnregisterWaitEx(m_wait, INVALID_HANDLE_VALUE);
    if (m_process != nullptr) CloseHandle(m_process);
}

void CALLBACK GameProcess::OnEnded(void* context, BOOLEAN /*timedOut*/) {
    const auto* wait = static_cast<const WaitContext*>(context);
    PostMessageW(wait->notify, wait->message, wait->serial, 0);
}

bool GameProcess::HasEnded() const { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }

void GameProcess::Terminate() const { TerminateProcess(m_process, 0); }

GameProcess& GameProcesses::AddStarted(HANDLE process) {
    const unsigned serial = m_nextSerial++;
    m_processes.push_back(std::make_unique<GameProcess>(process, serial, ChildState::kLoggingIn, m_window,
                                                        m_endedMessage));
    m_processes.back()->startedHere = true;
    m_pending = serial;
    return *m_processes.back();
}

GameProcess* GameProcesses::Adopt(DWORD pid, ChildState state) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return nullptr;
    m_processes.push_back(std::make_unique<GameProcess>(process, m_nextSerial++, state, m_window, m_endedMessage));
    return m_processes.back().get();
}

GameProcess* GameProcesses::FindByPid(DWORD pid) {
    if (pid == 0) return nullptr;
    for (auto& process : m_processes) {
        if (process->Pid() == pid) return process.get();
    }
    return nullptr;
}

GameProcess* GameProcesses::FindBySerial(unsigned serial) {
    for (auto& process : m_processes) {
        if (process->Serial() == serial) return process.get();
    }
    return nullptr;
}

void GameProcesses::Forget(const GameProcess& process) {
    if (process.Serial() == m_pending) m_pending = 0;
    std::erase_if(m_processes, [&](const auto& held) { return held.get() == &process; });
}

void GameProcesses::Clear() {
    m_pending = 0;
    m_processes.clear();
}

void GameProcesses::TerminatePending() {
    if (GameProcess* pending = FindBySerial(m_pending)) pending->Terminate();
    m_pending = 0;
}

std::vector<DWORD> GameProcesses::LoggingInPids() const {
    std::vector<DWORD> pids;
    for (const auto& process : m_processes) {
        if (process->startedHere && process->state == ChildState::kLoggingIn && !process->HasEnded()) {
            pids.push_back(process->Pid());
        }
    }
    return pids;
}

int GameProcesses::CountLoggingIn() const { return static_cast<int>(LoggingInPids().size()); }

}  // namespace vorn::launcher
