// Measuring helper for the launcher benchmarks (prints one JSON object):
//   window_probe appear COMMANDLINE   start a program, time until a visible top-level window
//                                      of its process exists, close that window, wait for the end
//   window_probe owned COMMANDLINE    the same for a game process: first a window of this
//                                      probe stands in for its launcher, and %HWND% in the
//                                      command line becomes that window's handle in decimal
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

// The stand-in launcher: a plain window that stays whatever it is asked (a game process
// that is closed reports that to its launcher with a close request).
LRESULT CALLBACK StandInLauncherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE || (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)) return 0;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateStandInLauncher() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = StandInLauncherProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VornBenchStandInLauncher";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"stand-in launcher", WS_OVERLAPPEDWINDOW, 0, 0, 1000, 700,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

void PumpWaiting() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Both modes wait the same way (a pump, then a millisecond's sleep), so that the figures
// compare like with like.
int Appear(std::wstring commandLine, bool owned) {
    HWND launcher = nullptr;
    if (owned) {
        launcher = CreateStandInLauncher();
        PumpWaiting();
        const std::wstring handle = std::to_wstring(static_cast<long long>(reinterpret_cast<INT_PTR>(launcher)));
        for (size_t at = commandLine.find(L"%HWND%"); at != std::wstring::npos; at = commandLine.find(L"%HWND%")) {
            commandLine.replace(at, 6, handle);
        }
    }
    // The probe's own first window call loads the display driver and the theme; done before
    // the clock starts, that work does not compete with the program measured.
    Search warmUp{GetCurrentProcessId(), nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&warmUp));
    PumpWaiting();
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
        if (search.found == nullptr) {
            PumpWaiting();
            Sleep(1);
        }
    }
    QueryPerformanceCounter(&shown);
    if (search.found == nullptr) {
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    PostMessageW(search.found, WM_SYSCOMMAND, SC_CLOSE, 0);
    bool ended = false;
    const DWORD endBy = GetTickCount() + 30000;
    while (!ended && GetTickCount() < endBy) {
        ended = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0;
        PumpWaiting();
    }
    if (!ended) TerminateProcess(process.hProcess, 1);
    std::printf("{\"appear_ms\": %.1f, \"ended\": %s}\n", Seconds(start, shown) * 1000.0, ended ? "true" : "false");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (launcher != nullptr) DestroyWindow(launcher);
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
    if (argc >= 3 && std::wcscmp(argv[1], L"appear") == 0) return Appear(argv[2], false);
    if (argc >= 3 && std::wcscmp(argv[1], L"owned") == 0) return Appear(argv[2], true);
    if (argc >= 3 && std::wcscmp(argv[1], L"usage") == 0) return Usage(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 0)));
    std::fputs("usage: window_probe appear COMMANDLINE | owned COMMANDLINE | usage PID\n", stderr);
    return 2;
}
