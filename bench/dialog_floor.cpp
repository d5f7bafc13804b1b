// The floor under the launcher's start: a program with the launcher's manifest (common
// controls 6), the libraries it starts before its window (common controls, shell, GDI+) and
// its main dialog template shown as the launcher first shows it (1 x 1 at the corner), and
// no code of the launcher's. It imports the same system libraries as the launcher. What this costs over a trivial window is the platform's part.
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "../res/resource.h"

namespace {
INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowPos(hwnd, nullptr, 0, 0, 1, 1, SWP_NOZORDER);
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    wchar_t folder[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder);
    PathFileExistsW(folder);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);
    CoTaskMemFree(nullptr);
    GetStockObject(DEFAULT_GUI_FONT);
    HWND dialog = CreateDialogW(instance, MAKEINTRESOURCEW(IDD_WAYFRONT3_DIALOG), nullptr, Proc);
    ShowWindow(dialog, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
