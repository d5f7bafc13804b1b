#include "framework/ImageList.h"

#include "framework/GdiObject.h"
#include "framework/ScopedDC.h"
namespace {

// A private 32-bit copy of a bitmap, drawn through a DIB section so that any source
// format comes out the same.
HBITMAP CopyBitmap(HBITMAP source) {
    BITMAP info{};
    if (source == nullptr || GetObjectW(source, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight == 0) {
        return nullptr;
    }
    const int width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CWindowDC screen(nullptr);
    HBITMAP copy = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy != nullptr) {
        CMemoryDC from(screen), to(screen);
        CSelectObject fromSelected(from, source), toSelected(to, copy);
        BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
    }
    return copy;
}

}  // namespace

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    if (cx <= 0 || cy <= 0) return FALSE;
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

int CImageList::AddMasked(HBITMAP bitmap, COLORREF mask) {
    if (m_hImageList == nullptr) return -1;
    // The list keeps its own copy of the pixels.
    CBitmap copy(CopyBitmap(bitmap));
    if (copy.GetSafeHandle() == nullptr) return -1;
    return ImageList_AddMasked(m_hImageList, copy, mask);
}

BOOL CImageList::Draw(HDC dc, int index, int x, int y, UINT style) const {
    if (m_hImageList == nullptr) return FALSE;
    return ImageList_Draw(m_hImageList, index, dc, x, y, style);
}

BOOL CImageList::GetImageSize(int* cx, int* cy) const {
    int w = 0, h = 0;
    const BOOL ok = m_hImageList != nullptr && ImageList_GetIconSize(m_hImageList, &w, &h);
    if (cx != nullptr) *cx = ok ? w : 0;
    if (cy != nullptr) *cy = ok ? h : 0;
    return ok;
}

int CImageList::GetImageCount() const { return m_hImageList != nullptr ? ImageList_GetImageCount(m_hImageList) : 0; }

BOOL CImageList::DeleteImageList() {
    if (m_hImageList == nullptr) return FALSE;
    ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return TRUE;
}
