// Reference program for the launcher benchmarks: shows one plain window (400 x 300, or the
// width and height given as arguments) and runs its message loop until it is closed.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"VornBenchTrivialWindow";
    RegisterClassW(&wc);
    const int width = __argc > 2 ? std::max(1, _wtoi(__wargv[1])) : 400;
    const int height = __argc > 2 ? std::max(1, _wtoi(__wargv[2])) : 300;
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"trivial window", WS_OVERLAPPEDWINDOW, 0, 0, width, height,
                                nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
