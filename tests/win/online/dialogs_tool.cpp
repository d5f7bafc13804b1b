// Runs the notice pop-up or the game download dialog for the end-to-end tests, which set up
// the stand-in service beforehand and check what the dialogs did. An owner window stands
// in for the launcher main window.
//
//   vorn_online_dialogs notice STEP...
//     steps: snap, timer1, timer2 (posted WM_TIMER), close (the skin's close button),
//            minimize (posted SC_MINIMIZE), click:ID (mouse on a static), wait:MS,
//            owner-hide, owner-show, browser:PROGRAM (the program Wine opens web
//            addresses with, before the pop-up is created)
//   vorn_online_dialogs download NAME [esc-at:P] [enter-at:P] [cancel-at:P] [close-at:P]
//                                     [signal-at:P:FILE]
//     acts when the bar reaches P percent (0: at once); once the download has finished it
//     presses Escape (which must leave the dialog open) and then OK.
//
// Prints one JSON object per line: the notice's state after each "snap", or the
// download's titles, labels and bar positions as they changed, and its result.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/WayfrontApp.h"
#include "common/Locations.h"
#include "common/ModulePath.h"
#include "common/Settings.h"
#include "framework/WinApp.h"
#include "online/DownGameDlg.h"
#include "online/PopInfoDlg.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonList(const std::vector<std::wstring>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + Json(items[i]);
    return out + "]";
}

std::string JsonRect(const RECT& r) {
    char text[96];
    std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return text;
}

const char* Bool(bool value) { return value ? "true" : "false"; }

std::wstring TextOf(HWND hwnd) {
    wchar_t text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return text;
}

std::wstring Stored(const wchar_t* key) {
    wchar_t text[1024] = {};
    GetPrivateProfileStringW(vorn::settings::kIniSection, key, L"<none>", text, 1024, vorn::LocalIniPath().c_str());
    return text;
}

// Handles every message for the given time, as the launcher's loop would.
void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!AfxPumpMessage(&msg)) return;
        }
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
}

void PostClick(HWND control) {
    RECT r{};
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
}

// The launcher main window: the pop-up's owner, visible unless a step hides it.
class OwnerWindow : public CWnd {
public:
    OwnerWindow() {
        CreateEx(0, AfxPlainWindowClass(), L"Vorn - Mirelund", WS_POPUP | WS_VISIBLE, RECT{40, 40, 240, 140}, nullptr,
                 nullptr);
    }
};

// --- the notice ---------------------------------------------------------------------

void SnapNotice(CPopInfoDlg& dialog, const std::wstring& step) {
    RECT window{}, work{};
    GetWindowRect(dialog.m_hWnd, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const LONG exStyle = GetWindowLongW(dialog.m_hWnd, GWL_EXSTYLE);
    std::string statics = "{";
    CStaticEx* labels[] = {&dialog.m_stcPicture, &dialog.m_stcTitle, &dialog.m_stcContent, &dialog.m_stcLink};
    for (CStaticEx* label : labels) {
        RECT r{};
        GetWindowRect(label->m_hWnd, &r);
        MapWindowPoints(nullptr, dialog.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        char head[512];
        std::snprintf(head, sizeof head,
                      "\"%ld\": {\"visible\": %s, \"rect\": %s, \"picture\": [%d, %d], \"notify\": %s, \"hand\": %d, "
                      "\"weight\": %d, \"text\": ",
                      static_cast<long>(GetDlgCtrlID(label->m_hWnd)), Bool(IsWindowVisible(label->m_hWnd)),
                      JsonRect(r).c_str(), label->m_nPicWidth, label->m_nPicHeight,
                      Bool((GetWindowLongW(label->m_hWnd, GWL_STYLE) & SS_NOTIFY) != 0), label->m_bHandCursor,
                      label->m_nFontWeight);
        statics += std::string(statics.size() > 1 ? ", " : "") + head + Json(label->m_strText) + "}";
    }
    statics += "}";
    std::printf(
        "{\"step\": %s, \"visible\": %s, \"rect\": %s, \"work\": %s, \"topmost\": %s, \"toolwindow\": %s, "
        "\"appwindow\": %s, \"layered\": %s, \"shows\": %d, \"popinfo\": %s, \"popenable\": %s, \"statics\": %s}\n",
        Json(step).c_str(), Bool(IsWindowVisible(dialog.m_hWnd)), JsonRect(window).c_str(), JsonRect(work).c_str(),
        Bool((exStyle & WS_EX_TOPMOST) != 0), Bool((exStyle & WS_EX_TOOLWINDOW) != 0),
        Bool((exStyle & WS_EX_APPWINDOW) != 0), Bool((exStyle & WS_EX_LAYERED) != 0), g_nNoticeShows,
        Json(Stored(vorn::settings::kKeyNoticeLine)).c_str(), Json(Stored(vorn::settings::kKeyNoticeEnabled)).c_str(),
        statics.c_str());
    std::fflush(stdout);
}

void RunNotice(OwnerWindow& owner, int argc, wchar_t** argv) {
    for (int i = 0; i < argc; ++i) {
        const std::wstring step = argv[i];
        if (step.rfind(L"browser:", 0) != 0) continue;
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            const std::wstring program = step.substr(8);
            RegSetValueExW(key, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(program.c_str()),
                           static_cast<DWORD>((program.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
    }
    CPopInfoDlg dialog;
    if (!dialog.CreateAndShow()) {
        std::printf("{\"error\": \"not created\"}\n");
        return;
    }
    Pump(150);
    for (int i = 0; i < argc; ++i) {
        const std::wstring step = argv[i];
        if (step == L"snap") {
            SnapNotice(dialog, step);
        } else if (step == L"timer1" || step == L"timer2") {
            PostMessageW(dialog.m_hWnd, WM_TIMER, step == L"timer1" ? 1 : 2, 0);
        } else if (step == L"close") {
            PostMessageW(dialog.m_btnClose.m_hWnd, BM_CLICK, 0, 0);
        } else if (step == L"minimize") {
            PostMessageW(dialog.m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        } else if (step.rfind(L"click:", 0) == 0) {
            PostClick(GetDlgItem(dialog.m_hWnd, _wtoi(step.c_str() + 6)));
        } else if (step.rfind(L"wait:", 0) == 0) {
            Pump(static_cast<DWORD>(_wtoi(step.c_str() + 5)));
        } else if (step == L"owner-hide" || step == L"owner-show") {
            ShowWindow(owner.m_hWnd, step == L"owner-hide" ? SW_HIDE : SW_SHOWNA);
        }
        Pump(100);
    }
}

// --- the game download ----------------------------------------------------------------

struct DownloadWatch {
    CDownGameDlg* dialog = nullptr;
    int escAt = -1, enterAt = -1, cancelAt = -1, closeAt = -1, signalAt = -1;
    std::wstring signalFile;
    std::vector<std::wstring> titles, labels;
    std::vector<int> positions;
    bool finished = false, okEnabled = false, cancelEnabled = true;
    bool escSent = false, enterSent = false, cancelSent = false, closeSent = false, signalled = false;
    int afterFinish = 0;  // samples since the download finished
    bool openAfterKeys = false;
};
DownloadWatch g_watch;

void PostKey(HWND target, WPARAM vk) {
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

void CALLBACK SampleDownload(HWND, UINT, UINT_PTR, DWORD) {
    DownloadWatch& w = g_watch;
    CDownGameDlg* d = w.dialog;
    if (d == nullptr || d->m_hWnd == nullptr) return;
    const std::wstring title = TextOf(d->m_hWnd);
    if (w.titles.empty() || w.titles.back() != title) w.titles.push_back(title);
    const std::wstring label = d->m_stcProgress.m_strText;
    if (w.labels.empty() || w.labels.back() != label) w.labels.push_back(label);
    const int position = d->m_progress.GetPos();
    if (w.positions.empty() || w.positions.back() != position) w.positions.push_back(position);
    const bool seen = !w.positions.empty() && w.positions.size() > 1;
    auto reached = [&](int at) { return at >= 0 && (at == 0 || (seen && position >= at)); };

    if (reached(w.signalAt) && !w.signalled) {
        w.signalled = true;
        HANDLE f = CreateFileW(w.signalFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    if (reached(w.escAt) && !w.escSent) {
        w.escSent = true;
        PostKey(d->m_btnCancel.m_hWnd, VK_ESCAPE);
    }
    if (reached(w.enterAt) && !w.enterSent) {
        w.enterSent = true;
        PostKey(d->m_btnCancel.m_hWnd, VK_RETURN);
    }
    if (reached(w.cancelAt) && !w.cancelSent) {
        w.cancelSent = true;
        PostMessageW(d->m_btnCancel.m_hWnd, BM_CLICK, 0, 0);
    }
    if (reached(w.closeAt) && !w.closeSent) {
        w.closeSent = true;
        PostMessageW(d->m_btnClose.m_hWnd, BM_CLICK, 0, 0);
    }
    // The title changes once, when the download has finished (or could not start).
    if (!w.finished && title != L"游戏下载中...") {
        w.finished = true;
        w.okEnabled = IsWindowEnabled(d->m_btnOK.m_hWnd) != FALSE;
        w.cancelEnabled = IsWindowEnabled(d->m_btnCancel.m_hWnd) != FALSE;
    }
    if (!w.finished || w.cancelSent || w.closeSent) return;
    // Finished: Escape on the focused button, then whichever button is enabled.
    ++w.afterFinish;
    if (w.afterFinish == 2) {
        PostKey(d->m_btnOK.m_hWnd, VK_ESCAPE);
    } else if (w.afterFinish == 6) {
        w.openAfterKeys = IsWindowVisible(d->m_hWnd) != FALSE;
        PostMessageW((w.okEnabled ? d->m_btnOK : d->m_btnCancel).m_hWnd, BM_CLICK, 0, 0);
    }
}

int Percent(const std::wstring& arg, size_t prefix) { return _wtoi(arg.c_str() + prefix); }

std::string ReadMarker(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "null";
    wchar_t text[1024] = {};
    DWORD got = 0;
    ReadFile(f, text, sizeof text - sizeof(wchar_t), &got, nullptr);
    CloseHandle(f);
    return Json(text);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RunDownload(OwnerWindow& owner, const std::wstring& name, int argc, wchar_t** argv) {
    for (int i = 0; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg.rfind(L"esc-at:", 0) == 0) g_watch.escAt = Percent(arg, 7);
        if (arg.rfind(L"enter-at:", 0) == 0) g_watch.enterAt = Percent(arg, 9);
        if (arg.rfind(L"cancel-at:", 0) == 0) g_watch.cancelAt = Percent(arg, 10);
        if (arg.rfind(L"close-at:", 0) == 0) g_watch.closeAt = Percent(arg, 9);
        if (arg.rfind(L"signal-at:", 0) == 0) {
            g_watch.signalAt = Percent(arg, 10);
            const size_t colon = arg.find(L':', 10);
            if (colon != std::wstring::npos) g_watch.signalFile = arg.substr(colon + 1);
        }
    }
    CDownGameDlg dialog(name, &owner, &StartProgramCopy);
    g_watch.dialog = &dialog;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, &SampleDownload);
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, timer);
    g_watch.dialog = nullptr;
    const std::wstring temp = dialog.m_szInstallerPath;
    const std::wstring marker = temp + L".ran";
    // The installer records its start beside itself (the test serves a marker program).
    const DWORD start = GetTickCount();
    while (!g_watch.titles.empty() && g_watch.titles.back() == L"下载完成" && !Exists(marker) && GetTickCount() - start < 10000) Sleep(50);
    const std::wstring configFile = vorn::GetModulePath((name + L".ini").c_str());

    std::string positions = "[";
    for (size_t i = 0; i < g_watch.positions.size(); ++i) {
        positions += (i ? ", " : "") + std::to_string(g_watch.positions[i]);
    }
    positions += "]";
    std::printf(
        "{\"result\": %d, \"titles\": %s, \"labels\": %s, \"positions\": %s, \"okEnabled\": %s, "
        "\"cancelEnabled\": %s, \"openAfterKeys\": %s, \"configUrl\": %s, \"installerPath\": %s, \"installerExists\": %s, "
        "\"configFileExists\": %s, \"installerRun\": %s, \"ownerEnabled\": %s}\n",
        static_cast<int>(result), JsonList(g_watch.titles).c_str(), JsonList(g_watch.labels).c_str(),
        positions.c_str(), Bool(g_watch.okEnabled), Bool(g_watch.cancelEnabled), Bool(g_watch.openAfterKeys),
        Json(dialog.m_strConfigUrl).c_str(), Json(temp).c_str(), Bool(!temp.empty() && Exists(temp)),
        Bool(!configFile.empty() && Exists(configFile)), ReadMarker(marker).c_str(),
        Bool(IsWindowEnabled(owner.m_hWnd) != FALSE));
    std::fflush(stdout);
    if (!temp.empty()) DeleteFileW(marker.c_str());
}

class DriverApp : public CWinApp {
public:
    BOOL InitInstance() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        OwnerWindow owner;
        m_pMainWnd = &owner;
        const std::wstring what = __argc > 1 ? __wargv[1] : L"";
        if (what == L"notice") {
            RunNotice(owner, __argc - 2, __wargv + 2);
        } else if (what == L"download" && __argc > 2) {
            RunDownload(owner, __wargv[2], __argc - 3, __wargv + 3);
        } else {
            std::printf("{\"error\": \"usage\"}\n");
        }
        m_pMainWnd = nullptr;
        owner.DestroyWindow();
        return FALSE;
    }
};

DriverApp g_app;

}  // namespace

int wmain() { return AfxWinMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL); }
