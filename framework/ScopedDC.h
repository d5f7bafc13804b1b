#pragma once
// Owners for painting: a window's device context, a memory device context, and an object
// selected into a context for a scope. Each gives back what it took in its destructor, so
// a paint path has no release calls of its own.
#include <windows.h>

#include <utility>

// GetDC/ReleaseDC of one window (null: the screen).
class CWindowDC {
public:
    explicit CWindowDC(HWND hwnd) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~CWindowDC() {
        if (m_hdc != nullptr) ::ReleaseDC(m_hwnd, m_hdc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC GetSafeHdc() const { return m_hdc; }
    operator HDC() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// CreateCompatibleDC/DeleteDC.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC compatibleWith) : m_hdc(::CreateCompatibleDC(compatibleWith)) {}
    ~CMemoryDC() {
        if (m_hdc != nullptr) ::DeleteDC(m_hdc);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    HDC GetSafeHdc() const { return m_hdc; }
    operator HDC() const { return m_hdc; }

private:
    HDC m_hdc;
};

// SelectObject for a scope: the previous object goes back in the destructor. The selected
// object stays its owner's (a CBitmap, CFont, ...), which must outlive this.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ object)
        : m_hdc(hdc), m_old(hdc != nullptr && object != nullptr ? ::SelectObject(hdc, object) : nullptr) {}
    ~CSelectObject() {
        if (m_old != nullptr && m_old != HGDI_ERROR) ::SelectObject(m_hdc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};
