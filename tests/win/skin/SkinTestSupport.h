#pragma once
// Shared pieces of the skin tests: reading pixels, and a parent window with a known
// background so that transparent parts of a control can be told from its picture.
#include <windows.h>

#include "framework/Wnd.h"
#include "skin/SkinImage.h"

inline constexpr COLORREF kParentGreen = RGB(0, 200, 0);

inline COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    CBitmapSource source(bitmap);
    return source.ok() ? GetPixel(source.dc(), x, y) : CLR_INVALID;
}

inline HINSTANCE Self() { return GetModuleHandleW(nullptr); }

// A top-level window whose background is plain green.
class GreenParent : public CWnd {
public:
    GreenParent() {
        CreateEx(0, AfxPlainWindowClass(), L"parent", WS_POPUP | WS_VISIBLE, RECT{0, 0, 600, 300}, nullptr, nullptr);
    }
    ~GreenParent() override { DestroyWindow(); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_ERASEBKGND) {
            RECT all{-2000, -2000, 4000, 4000};
            HBRUSH green = CreateSolidBrush(kParentGreen);
            FillRect(reinterpret_cast<HDC>(wParam), &all, green);
            DeleteObject(green);
            return TRUE;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};
