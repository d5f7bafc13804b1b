// Measuring helper for the launcher benchmarks (prints one JSON object):
//   window_probe appear COMMANDLINE   start a program, time until a visible top-level window
//                                      of its process exists, close that window, wait for the end
//   window_probe owned COMMANDLINE    the same for a game process: first a window of this
//                                      probe stands in for its launcher, and %HWND% in the
//                                      command line becomes that window's handle in decimal
//   window_probe usage PID             peak and current working set, and CPU time used so far
//   window_probe holds PID             what the process holds: kernel handles, GDI objects,
//                                      windows, threads (its private usage Wine reports as 0)
//   window_probe gdicheck N            the GDI count of this process before and after making
//                                      N bitmaps (checks the handle table's layout)
// Under Wine 8 GetProcessHandleCount and GetGuiResources answer 0, so handles come from the
// system's extended handle list and GDI objects from the process's GDI handle table.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

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

// An entry of the extended handle list (information class 64) and the list's head.
struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT typeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};
constexpr ULONG kExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

long long KernelHandles(DWORD pid) {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
    if (query == nullptr) return -1;
    std::string buffer(1 << 20, '\0');
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) return -1;
        break;
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    long long count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) count += list->entries[i].processId == pid ? 1 : 0;
    return count;
}

// An entry of the GDI handle table of a 64-bit process: 24 bytes.
struct GdiEntry {
    ULONGLONG object;
    USHORT ownerPid;
    USHORT count;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONGLONG user;
};
static_assert(sizeof(GdiEntry) == 24, "GDI entry layout");
constexpr size_t kGdiEntries = 0x10000;
constexpr size_t kPebGdiTable = 0xF8;
constexpr USHORT kStockObject = 0x80;

// The GDI objects the process owns, stock objects left out; -1 when the table cannot be read.
long long GdiObjects(HANDLE process, DWORD pid) {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0) return -1;
    ULONGLONG table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, static_cast<const char*>(static_cast<void*>(basic.PebBaseAddress)) + kPebGdiTable,
                           &table, sizeof table, &read) || table == 0) {
        return -1;
    }
    std::vector<GdiEntry> entries(kGdiEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size() * sizeof(GdiEntry),
                           &read)) {
        return -1;
    }
    // Wine keeps a table for each process and leaves the owner 0 (measured); Windows shares
    // one table and writes the owner's process id.
    long long count = 0;
    for (const GdiEntry& e : entries) {
        const bool own = e.ownerPid == 0 || e.ownerPid == static_cast<USHORT>(pid);
        count += e.type != 0 && own && !(e.unique & kStockObject) ? 1 : 0;
    }
    return count;
}

struct WindowCount {
    DWORD pid;
    long long count;
};

BOOL CALLBACK CountOwn(HWND hwnd, LPARAM param) {
    auto* windows = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    windows->count += pid == windows->pid ? 1 : 0;
    return TRUE;
}

BOOL CALLBACK CountTree(HWND hwnd, LPARAM param) {
    CountOwn(hwnd, param);
    EnumChildWindows(hwnd, CountOwn, param);  // every descendant, of whichever process
    return TRUE;
}

long long Windows(DWORD pid) {
    WindowCount windows{pid, 0};
    EnumWindows(CountTree, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not among the top-level ones.
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
        CountOwn(w, reinterpret_cast<LPARAM>(&windows));
    }
    return windows.count;
}

long long Threads(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    long long count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == pid ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

int Holds(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) return 1;
    std::printf("{\"handles\": %lld, \"gdi\": %lld, \"windows\": %lld, \"threads\": %lld}\n", KernelHandles(pid),
                GdiObjects(process, pid), Windows(pid), Threads(pid));
    CloseHandle(process);
    return 0;
}

int GdiCheck(int n) {
    const DWORD pid = GetCurrentProcessId();
    const long long before = GdiObjects(GetCurrentProcess(), pid);
    std::vector<HBITMAP> bitmaps;
    for (int i = 0; i < n; ++i) bitmaps.push_back(CreateBitmap(4, 4, 1, 32, nullptr));
    const long long after = GdiObjects(GetCurrentProcess(), pid);
    for (HBITMAP bitmap : bitmaps) DeleteObject(bitmap);
    std::printf("{\"before\": %lld, \"after\": %lld, \"released\": %lld}\n", before, after,
                GdiObjects(GetCurrentProcess(), pid));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wcscmp(argv[1], L"appear") == 0) return Appear(argv[2], false);
    if (argc >= 3 && std::wcscmp(argv[1], L"owned") == 0) return Appear(argv[2], true);
    if (argc >= 3 && std::wcscmp(argv[1], L"usage") == 0) return Usage(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 0)));
    if (argc >= 3 && std::wcscmp(argv[1], L"holds") == 0) return Holds(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 0)));
    if (argc >= 3 && std::wcscmp(argv[1], L"gdicheck") == 0) return GdiCheck(static_cast<int>(std::wcstol(argv[2], nullptr, 0)));
    std::fputs("usage: window_probe appear COMMANDLINE | owned COMMANDLINE | usage PID | holds PID | gdicheck N\n", stderr);
    return 2;
}
