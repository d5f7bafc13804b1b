// Downloads one address to a file through the program's HTTP procedure, for the download
// benchmark against curl:
//   vorn_bench_download file URL PATH       the plain file variant
//   vorn_bench_download progress URL PATH   the executable download: a worker thread with
//                                           a progress bar on this thread, as the update
//                                           dialog runs it
// It prints the transfer's own time in milliseconds (from the request to the closed file),
// which leaves out the start of the process and of its window, as curl's time_total does.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "online/HttpClient.h"

namespace {

LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == PBM_SETPOS) return 0;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The bar's window exists before the clock starts, as the dialog's does before its download.
BOOL DownloadWithProgress(const wchar_t* url, const wchar_t* path, LARGE_INTEGER* start) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = BarProc;
    wc.lpszClassName = L"VornBenchBar";
    RegisterClassW(&wc);
    struct Work {
        vorn::HttpGetRequest request;
        BOOL ok = FALSE;
    } work;
    work.request.url = url;
    work.request.filePath = path;
    work.request.requireServiceUrl = true;
    work.request.progressBar = CreateWindowW(L"VornBenchBar", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    QueryPerformanceCounter(start);
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* w = static_cast<Work*>(p);
            w->ok = vorn::HttpGet(w->request);
            return 0;
        },
        &work, 0, nullptr);
    if (thread == nullptr) return FALSE;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    CloseHandle(thread);
    return work.ok;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const std::wstring how = argv[1];
    if (how != L"file" && how != L"progress") return 2;
    // The program loads its HTTP library on its first request; by the time it downloads a
    // file the update check has made that request, so the library's load is not timed here.
    LoadLibraryW(L"wininet.dll");
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const BOOL ok = how == L"file" ? vorn::DownloadToFile(argv[2], argv[3], false) : DownloadWithProgress(argv[2], argv[3], &start);
    if (!ok) return 1;
    std::printf("%.1f\n", MillisecondsSince(start));
    return 0;
}
