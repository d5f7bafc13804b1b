// Measuring helper for the launcher benchmarks (prints one JSON object):
//   window_probe appear COMMANDLINE   start a program, time until a visible top-level window
//                                      of its process exists, close that window, wait for the end
//   window_probe usage PID             peak and current working set, and CPU time used so far
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Appear(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return 1;
    }
    Search search{process.dwProcessId, nullptr};
    const DWORD deadline = GetTickCount() + 60000;
    while (search.found == nullptr && GetTickCount() < deadline) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) Sleep(1);
    }
    QueryPerformanceCounter(&shown);
    if (search.found == nullptr) {
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    PostMessageW(search.found, WM_SYSCOMMAND, SC_CLOSE, 0);
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    std::printf("{\"appear_ms\": %.1f, \"ended\": %s}\n", Seconds(start, shown) * 1000.0, ended ? "true" : "false");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

ULONGLONG Hundreds(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

int Usage(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) return 1;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, &memory, sizeof memory);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    std::printf("{\"peak_working_set\": %llu, \"working_set\": %llu, \"cpu_ms\": %.1f}\n",
                static_cast<unsigned long long>(memory.PeakWorkingSetSize),
                static_cast<unsigned long long>(memory.WorkingSetSize),
                static_cast<double>(Hundreds(kernel) + Hundreds(user)) / 10000.0);
    CloseHandle(process);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wcscmp(argv[1], L"appear") == 0) return Appear(argv[2]);
    if (argc >= 3 && std::wcscmp(argv[1], L"usage") == 0) return Usage(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 0)));
    std::fputs("usage: window_probe appear COMMANDLINE | usage PID\n", stderr);
    return 2;
}
