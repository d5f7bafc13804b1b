// Runs one variant of the program's HTTP GET procedure for the end-to-end tests, which
// control the stand-in service and read what it received:
//   vorn_httpget ping URL | file URL PATH [MAXBYTES] | service-file URL PATH | text URL |
//                progress URL PATH | cancel URL PATH MS |
//                dialog MS URL1 PATH1 URL2 PATH2 | check (free|busy)
// Prints one JSON object. "check" runs the forced update check as the "更新" menu does
// (busy: while another thread holds the update lock, as a running update does) and prints
// what the menu would say. "dialog" runs the update progress dialog twice in this process,
// the first run cancelled after MS milliseconds (0: not cancelled), and prints both results
// and how long each run kept the dialog object.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/FileReplace.h"
#include "common/RunMode.h"
#include "common/WideText.h"
#include "online/HttpClient.h"
#include "online/ProgressDialog.h"
#include "online/UpdateCheck.h"

namespace {

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// A progress bar stand-in that records every position it is sent.
std::vector<unsigned> g_positions;
LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == PBM_SETPOS) {
        g_positions.push_back(static_cast<unsigned>(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateRecorder() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecorderProc;
    wc.lpszClassName = L"VornProgressRecorder";
    RegisterClassW(&wc);
    return CreateWindowW(L"VornProgressRecorder", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
}

// Runs the download on a worker thread while this thread handles the progress messages,
// as the progress dialog does.
BOOL DownloadWithProgress(vorn::HttpGetRequest req, DWORD cancelAfterMs) {
    vorn::HttpHandles handles;
    req.handles = &handles;
    req.progressBar = CreateRecorder();
    req.requireServiceUrl = true;
    struct Work {
        vorn::HttpGetRequest* req;
        BOOL ok;
    } work{&req, FALSE};
    auto run = [](void* p) -> DWORD {
        auto* w = static_cast<Work*>(p);
        w->ok = vorn::HttpGet(*w->req);
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 0, run, &work, 0, nullptr);
    if (thread == nullptr) return FALSE;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (cancelAfterMs != 0 && GetTickCount() - start >= cancelAfterMs) handles.CloseAll();
    }
    CloseHandle(thread);
    return work.ok;
}

CPrgsDlg* g_dialog = nullptr;

void CALLBACK CancelDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (g_dialog != nullptr && g_dialog->m_hWnd != nullptr) PostMessageW(g_dialog->m_hWnd, WM_COMMAND, IDCANCEL, 0);
}

// One run of the dialog as the update runs it; the result of DoModal.
INT_PTR RunDialog(CPrgsDlg& dialog, const wchar_t* url, const wchar_t* path, UINT cancelAfterMs) {
    lstrcpynW(dialog.m_szUrl, url, 512);
    lstrcpynW(dialog.m_szFile, path, MAX_PATH);
    if (cancelAfterMs != 0) SetTimer(nullptr, 0, cancelAfterMs, &CancelDialog);
    return dialog.DoModal();
}

int RunDialogTwice(UINT cancelAfterMs, wchar_t** pairs) {
    CPrgsDlg dialog;
    g_dialog = &dialog;
    INT_PTR results[2];
    DWORD ms[2];
    for (int run = 0; run < 2; ++run) {
        const DWORD start = GetTickCount();
        results[run] = RunDialog(dialog, pairs[2 * run], pairs[2 * run + 1], run == 0 ? cancelAfterMs : 0);
        ms[run] = GetTickCount() - start;
    }
    std::printf("{\"results\": [%d, %d], \"ms\": [%lu, %lu]}\n", static_cast<int>(results[0]),
                static_cast<int>(results[1]), static_cast<unsigned long>(ms[0]), static_cast<unsigned long>(ms[1]));
    return 0;
}

int RunMenuCheck(bool busy) {
    HANDLE holding = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Events {
        HANDLE holding, release;
    } events{holding, release};
    HANDLE holder = nullptr;
    if (busy) {
        holder = CreateThread(nullptr, 0, [](void* p) -> DWORD {
            auto* e = static_cast<Events*>(p);
            vorn::MachineLock lock(vorn::kUpdateLockName, 0);
            SetEvent(e->holding);
            WaitForSingleObject(e->release, INFINITE);
            return 0;
        }, &events, 0, nullptr);
        WaitForSingleObject(holding, 10000);
    }
    wchar_t address[512] = {};
    vorn::UpdateCheckOutcome outcome = vorn::UpdateCheckOutcome::kNewer;
    const int update = vorn::CheckForUpdate(true, vorn::MODE_INSTALLED, address, nullptr, &outcome);
    SetEvent(release);
    if (holder != nullptr) {
        WaitForSingleObject(holder, 10000);
        CloseHandle(holder);
    }
    CloseHandle(holding);
    CloseHandle(release);
    const std::wstring text = vorn::ToWide(std::u16string(vorn::UpdateMenuAnswerText(outcome)));
    std::printf("{\"update\": %d, \"text\": %s}\n", update, Json(text).c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wstring(argv[1]) == L"check") return RunMenuCheck(std::wstring(argv[2]) == L"busy");
    if (argc >= 7 && std::wstring(argv[1]) == L"dialog") {
        return RunDialogTwice(static_cast<UINT>(_wtoi(argv[2])), argv + 3);
    }
    if (argc < 3) return 2;
    const std::wstring how = argv[1];
    const wchar_t* url = argv[2];
    const wchar_t* path = argc > 3 ? argv[3] : nullptr;
    BOOL ok = FALSE;
    DWORD error = 0;
    wchar_t text[1024] = {};
    if (how == L"ping") {
        ok = vorn::PingUrl(url);
        error = ok ? 0 : GetLastError();
    } else if (how == L"file" || how == L"service-file") {
        const std::uint64_t limit = argc > 4 ? _wtoi64(argv[4]) : vorn::kProgramReplyBytes;
        ok = vorn::DownloadToFile(url, path, how == L"service-file", limit);
    } else if (how == L"text") {
        vorn::HttpGetRequest req;
        req.url = url;
        req.text = text;
        req.requireServiceUrl = true;
        ok = vorn::HttpGet(req);
    } else if (how == L"progress" || how == L"cancel") {
        vorn::HttpGetRequest req;
        req.url = url;
        req.filePath = path;
        ok = DownloadWithProgress(req, how == L"cancel" && argc > 4 ? static_cast<DWORD>(_wtoi(argv[4])) : 0);
    } else {
        return 2;
    }
    std::string positions;
    for (unsigned p : g_positions) positions += (positions.empty() ? "" : ", ") + std::to_string(p);
    std::printf("{\"ok\": %s, \"error\": %lu, \"text\": %s, \"positions\": [%s]}\n", ok ? "true" : "false",
                static_cast<unsigned long>(error), Json(text).c_str(), positions.c_str());
    return 0;
}
