#pragma once
// Thin objects for the standard controls the skinned windows build on.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/Wnd.h"

class CButton : public CWnd {
public:
    BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        if (parent == nullptr) return FALSE;
        return CreateEx(0, L"BUTTON", text, style, rect, parent->m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
    }
};

class CStatic : public CWnd {
public:
    BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        if (parent == nullptr) return FALSE;
        return CreateEx(0, L"STATIC", text, style, rect, parent->m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
    }
};

class CEdit : public CWnd {
public:
    std::wstring GetText() const {
        const int length = GetWindowTextLengthW(m_hWnd);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(m_hWnd, text.data(), length + 1)));
        return text;
    }
};

class CProgressCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        if (parent == nullptr) return FALSE;
        return CreateEx(0, PROGRESS_CLASSW, nullptr, style, rect, parent->m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
    }
    int GetPos() const { return static_cast<int>(SendMessageW(m_hWnd, PBM_GETPOS, 0, 0)); }
    int SetPos(int pos) { return static_cast<int>(SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(pos), 0)); }
    void SetRange32(int lower, int upper) { SendMessageW(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    void GetRange(int& lower, int& upper) const {
        PBRANGE range{};
        SendMessageW(m_hWnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        lower = range.iLow;
        upper = range.iHigh;
    }
};
