// A stand-in for the launcher main window, in its own process, for the tests of the game
// processes: a top-level "#32770" window titled "Vorn - Mirelund" that registers tab titles
// sent with WM_COPYDATA (refusing one it has already) and writes every message of the
// game processes to a log file, one UTF-8 line each:
//   hwnd <decimal handle>            (first line, once the window exists)
//   copydata <title> <answer>
//   user2 <wParam> <lParam>
//   syscommand <wParam> <lParam>
//   key <message> <wParam> <lParam>
// Usage: vorn_test_launcher.exe LOGFILE [TITLE ...]   (titles registered from the start)
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

FILE* g_log = nullptr;
std::set<std::wstring> g_titles;

void Log(const std::wstring& line) {
    const std::wstring text = line + L"\n";
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), g_log);
    std::fflush(g_log);
}

std::wstring Numbers(WPARAM wParam, LPARAM lParam) {
    return std::to_wstring(static_cast<unsigned long long>(wParam)) + L" " + std::to_wstring(static_cast<long long>(lParam));
}

INT_PTR CALLBACK LauncherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::wstring title;
        if (data != nullptr && data->lpData != nullptr && data->cbData >= sizeof(wchar_t)) {
            title.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t) - 1);
        }
        const bool fresh = g_titles.insert(title).second;
        Log(L"copydata " + title + (fresh ? L" 1" : L" 0"));
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, fresh ? 1 : 0);
        return TRUE;
    }
    case WM_USER + 2:
        Log(L"user2 " + Numbers(wParam, lParam));
        return TRUE;
    case WM_SYSCOMMAND:
        Log(L"syscommand " + Numbers(wParam, lParam));
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            return TRUE;  // the tests end the stand-in themselves
        }
        return FALSE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Log(L"key " + std::to_wstring(msg) + L" " + Numbers(wParam, lParam));
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    g_log = _wfopen(argv[1], L"ab");
    if (g_log == nullptr) return 3;
    for (int i = 2; i < argc; ++i) g_titles.insert(argv[i]);

    // An in-memory template: a plain visible pop-up of the dialog class.
    struct {
        DLGTEMPLATE head;
        WORD menu, windowClass, title;
    } dialog{};
    dialog.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    dialog.head.x = 40;
    dialog.head.y = 30;
    dialog.head.cx = 520;
    dialog.head.cy = 340;
    HWND hwnd = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialog.head, nullptr, LauncherProc, 0);
    if (hwnd == nullptr) return 4;
    SetWindowTextW(hwnd, L"Vorn - Mirelund");
    Log(L"hwnd " + std::to_wstring(reinterpret_cast<INT_PTR>(hwnd)));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    std::fclose(g_log);
    return 0;
}
