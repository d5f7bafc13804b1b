#pragma once
// An image list owned by its object (destroyed with it or when recreated).
#include <windows.h>
#include <commctrl.h>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // Adds the images of a strip, pixels of the mask colour transparent. The caller's bitmap
    // is left untouched (the system call would blacken its masked pixels), so the same
    // bitmap can be added again later.
    int AddMasked(HBITMAP bitmap, COLORREF mask);
    BOOL Draw(HDC dc, int index, int x, int y, UINT style) const;
    // Size of one image; FALSE when the list does not exist.
    BOOL GetImageSize(int* cx, int* cy) const;
    int GetImageCount() const;
    BOOL DeleteImageList();
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }

private:
    HIMAGELIST m_hImageList = nullptr;
};
