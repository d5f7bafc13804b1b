// Runs one variant of the program's HTTP GET procedure for the end-to-end tests, which
// control the stand-in service and read what it received:
//   vorn_httpget ping URL | file URL PATH | service-file URL PATH | text URL |
//                progress URL PATH | cancel URL PATH MS | key PATH | md5 PATH
// Prints one JSON object.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "online/HttpClient.h"
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
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
        ok = vorn::DownloadToFile(url, path, how == L"service-file");
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
    } else if (how == L"md5") {
        std::printf("{\"md5\": %s}\n", Json(vorn::FileMd5Hex(url)).c_str());
        return 0;
    } else {
        return 2;
    }
    std::string positions;
    for (unsigned p : g_positions) positions += (positions.empty() ? "" : ", ") + std::to_string(p);
    std::printf("{\"ok\": %s, \"error\": %lu, \"text\": %s, \"positions\": [%s]}\n", ok ? "true" : "false",
                static_cast<unsigned long>(error), Json(text).c_str(), positions.c_str());
    return 0;
}
