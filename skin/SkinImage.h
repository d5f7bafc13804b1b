#pragma once
// Skin pictures: PNG resources (or BITMAP resources of the same id) and image files turned
// into GDI bitmaps with magenta as the transparent colour, and the conventions every
// skinned control shares: the key colour, double-buffered painting, and painting the
// parent's background under a control.
#include <windows.h>

#include <optional>

#include "framework/GdiObject.h"
#include "framework/ScopedDC.h"

class CWnd;

namespace Gdiplus {
class GpBitmap;
class GpImage;
}  // namespace Gdiplus

// Magenta: transparent wherever a skin picture is drawn.
inline constexpr COLORREF kSkinKeyColour = RGB(255, 0, 255);

// The picture with this id as a new bitmap owned by the caller: a BITMAP resource if there
// is one, else the PNG resource decoded and keyed. Null when neither exists or decoding fails.
HBITMAP LoadSkinBitmap(HINSTANCE module, UINT id);
// The same picture in its owner, which deletes it; empty when LoadSkinBitmap gives null.
CBitmap LoadSkinPicture(HINSTANCE module, UINT id);

// A 32-bit bottom-up section of the GDI+ bitmap: transparent pixels carry the key colour,
// partly transparent ones are blended over white. Null on failure.
HBITMAP ConvertToKeyedBitmap(Gdiplus::GpBitmap* bitmap, COLORREF key);

// Largest picture LoadImageFileBitmap decodes, per side: a small file can announce
// 32767 x 32767 pixels, four gigabytes once decoded.
inline constexpr unsigned kMaxImageFileSide = 2048;

// An image file (PNG, JPEG, ...) drawn over white into a new bitmap; its size in width and
// height. Null (and zero sizes) when the file cannot be read or a side is larger than
// kMaxImageFileSide.
HBITMAP LoadImageFileBitmap(const wchar_t* path, int& width, int& height);

// Opens the PNG resource as a GDI+ image (for pictures that keep their alpha channel, such
// as the login background). The caller disposes of it with GdipDisposeImage; GDI+ must be
// running. Null when the resource is missing or cannot be decoded.
Gdiplus::GpImage* LoadPngResourceImage(HINSTANCE module, UINT id);

// Copies the image's pixels as premultiplied 32-bit ARGB (what a layered window blends
// with) into `bits`, a top-down buffer of width x height pixels. False when the image is
// no bitmap of that size or GDI+ cannot convert it: the caller draws it instead.
bool CopyPremultiplied(Gdiplus::GpImage* image, void* bits, int width, int height);

// Paints the parent's background under the control into the control's buffer dc, by
// asking the parent to erase into it with the origin moved to the control's position.
void PaintParentBackground(CWnd* control, HDC dc);

// A memory DC with a compatible bitmap selected: the buffer of one double-buffered paint.
class CMemoryCanvas {
public:
    CMemoryCanvas(HDC reference, int width, int height);
    ~CMemoryCanvas();
    CMemoryCanvas(const CMemoryCanvas&) = delete;
    CMemoryCanvas& operator=(const CMemoryCanvas&) = delete;

    HDC dc() const { return m_dc; }
    bool ok() const { return m_bitmap.GetSafeHandle() != nullptr; }
    // Copies the whole buffer to (x, y) of target.
    void CopyTo(HDC target, int x = 0, int y = 0) const;

private:
    // Released in reverse: the selection undone, then the bitmap, then the DC.
    CMemoryDC m_dc;
    CBitmap m_bitmap;
    std::optional<CSelectObject> m_selected;
    int m_width = 0, m_height = 0;
};

// A bitmap selected into a memory DC for reading, released with the holder.
class CBitmapSource {
public:
    explicit CBitmapSource(HBITMAP bitmap);
    ~CBitmapSource();
    CBitmapSource(const CBitmapSource&) = delete;
    CBitmapSource& operator=(const CBitmapSource&) = delete;
    HDC dc() const { return m_dc ? m_dc->GetSafeHdc() : nullptr; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool ok() const { return dc() != nullptr && m_width > 0; }

private:
    std::optional<CMemoryDC> m_dc;
    std::optional<CSelectObject> m_selected;  // the bitmap stays its owner's
    int m_width = 0, m_height = 0;
};
