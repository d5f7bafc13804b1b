#include "skin/SkinImage.h"

#include <objidl.h>
// The flat GDI+ interface only.
#include <gdiplus.h>

#include <cstring>

#include "framework/Wnd.h"
#include "skin/KeyedPixels.h"

namespace gp = Gdiplus::DllExports;

namespace {

// GDI+ running for the lifetime of the holder.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread
        if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
    }
    ~GdiplusSession() {
        if (m_token != 0) Gdiplus::GdiplusShutdown(m_token);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

// The resource's bytes in a new memory stream; null when the resource is missing.
IStream* PngResourceStream(HINSTANCE module, UINT id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (found == nullptr) return nullptr;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) return nullptr;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || stream == nullptr) return nullptr;
    ULONG written = 0;
    if (FAILED(stream->Write(bytes, size, &written)) || written != size) {
        stream->Release();
        return nullptr;
    }
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

HBITMAP NewSection(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(CWindowDC(nullptr), &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

HBITMAP ConvertToKeyedBitmap(Gdiplus::GpBitmap* bitmap, COLORREF key) {
    if (bitmap == nullptr) return nullptr;
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(bitmap, &width);
    gp::GdipGetImageHeight(bitmap, &height);
    if (width == 0 || height == 0 || width > 0x7FFF || height > 0x7FFF) return nullptr;
    void* bits = nullptr;
    CBitmap section(NewSection(static_cast<int>(width), static_cast<int>(height), &bits));
    if (section.GetSafeHandle() == nullptr || bits == nullptr) return nullptr;
    Gdiplus::GpRect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok ||
        data.Scan0 == nullptr) {
        return nullptr;
    }
    vorn::skin::ConvertToKeyedPixels(static_cast<const uint8_t*>(data.Scan0), data.Stride, static_cast<int>(width),
                                     static_cast<int>(height), key, static_cast<uint8_t*>(bits));
    gp::GdipBitmapUnlockBits(bitmap, &data);
    GdiFlush();
    return section.Detach();
}

HBITMAP LoadSkinBitmap(HINSTANCE module, UINT id) {
    if (module == nullptr) return nullptr;
    GdiplusSession session;
    if (HBITMAP plain = LoadBitmapW(module, MAKEINTRESOURCEW(id)); plain != nullptr) return plain;
    if (!session.ok()) return nullptr;
    IStream* stream = PngResourceStream(module, id);
    if (stream == nullptr) return nullptr;
    Gdiplus::GpBitmap* bitmap = nullptr;
    HBITMAP result = nullptr;
    if (gp::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok && bitmap != nullptr) {
        result = ConvertToKeyedBitmap(bitmap, kSkinKeyColour);
        if (result == nullptr) gp::GdipCreateHBITMAPFromBitmap(bitmap, &result, 0xFFFF00FF);
        gp::GdipDisposeImage(bitmap);
    }
    stream->Release();
    return result;
}

CBitmap LoadSkinPicture(HINSTANCE module, UINT id) { return CBitmap(LoadSkinBitmap(module, id)); }

Gdiplus::GpImage* LoadPngResourceImage(HINSTANCE module, UINT id) {
    if (module == nullptr) return nullptr;
    IStream* stream = PngResourceStream(module, id);
    if (stream == nullptr) return nullptr;
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromStream(stream, &image) != Gdiplus::Ok) image = nullptr;
    // GDI+ may read the stream lazily; the image holds its own reference to it.
    stream->Release();
    return image;
}

bool CopyPremultiplied(Gdiplus::GpImage* image, void* bits, int width, int height) {
    if (image == nullptr || bits == nullptr || width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF) {
        return false;
    }
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    UINT w = 0, h = 0;
    if (gp::GdipGetImageType(image, &type) != Gdiplus::Ok || type != Gdiplus::ImageTypeBitmap) return false;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    if (w != static_cast<UINT>(width) || h != static_cast<UINT>(height)) return false;
    // GDI+ converts straight into the caller's buffer: no drawing, no second copy.
    Gdiplus::GpRect rect(0, 0, width, height);
    Gdiplus::BitmapData data{};
    data.Width = static_cast<UINT>(width);
    data.Height = static_cast<UINT>(height);
    data.Stride = width * 4;
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = bits;
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
    if (gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                               PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
        return false;
    }
    gp::GdipBitmapUnlockBits(bitmap, &data);
    return true;
}

HBITMAP LoadImageFileBitmap(const wchar_t* path, int& width, int& height) {
    width = height = 0;
    if (path == nullptr || *path == L'\0') return nullptr;
    // Started once and kept for the process: pictures are loaded again and again.
    static GdiplusSession session;
    if (!session.ok()) return nullptr;
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(path, &image) != Gdiplus::Ok || image == nullptr) return nullptr;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    CBitmap section;
    if (w > 0 && h > 0 && w <= kMaxImageFileSide && h <= kMaxImageFileSide) {
        void* bits = nullptr;
        section.Attach(NewSection(static_cast<int>(w), static_cast<int>(h), &bits));
    }
    if (section.GetSafeHandle() != nullptr) {
        CMemoryDC dc(nullptr);
        CSelectObject selected(dc, section);
        RECT all{0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        Gdiplus::GpGraphics* graphics = nullptr;
        if (gp::GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok && graphics != nullptr) {
            gp::GdipDrawImageRectI(graphics, image, 0, 0, static_cast<INT>(w), static_cast<INT>(h));
            gp::GdipDeleteGraphics(graphics);
        }
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }
    gp::GdipDisposeImage(image);
    return section.Detach();
}

void PaintParentBackground(CWnd* control, HDC dc) {
    if (control == nullptr || control->m_hWnd == nullptr || dc == nullptr) return;
    HWND parent = GetParent(control->m_hWnd);
    if (parent == nullptr) return;
    RECT mine{}, theirs{};
    GetWindowRect(control->m_hWnd, &mine);
    GetWindowRect(parent, &theirs);
    POINT old{};
    SetWindowOrgEx(dc, mine.left - theirs.left, mine.top - theirs.top, &old);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SetWindowOrgEx(dc, old.x, old.y, nullptr);
}

CMemoryCanvas::CMemoryCanvas(HDC reference, int width, int height)
    : m_dc(reference), m_width(width), m_height(height) {
    if (m_dc.GetSafeHdc() == nullptr || width <= 0 || height <= 0) return;
    // A section of its own rather than a bitmap compatible with the screen: the system
    // returns its pages when it is deleted, where a maximised window's compatible buffer
    // (megabytes) stayed in the display driver's heap after the paint. Never monochrome,
    // whatever `reference` is.
    void* bits = nullptr;
    m_bitmap.Attach(NewSection(width, height, &bits));
    if (m_bitmap.GetSafeHandle() != nullptr) m_selected.emplace(m_dc, m_bitmap);
}

CMemoryCanvas::~CMemoryCanvas() = default;

void CMemoryCanvas::CopyTo(HDC target, int x, int y) const {
    if (m_bitmap.GetSafeHandle() != nullptr && target != nullptr) BitBlt(target, x, y, m_width, m_height, m_dc, 0, 0, SRCCOPY);
}

CBitmapSource::CBitmapSource(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0) return;
    m_dc.emplace(nullptr);
    if (m_dc->GetSafeHdc() == nullptr) return;
    m_selected.emplace(*m_dc, bitmap);
    m_width = info.bmWidth;
    m_height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
}

CBitmapSource::~CBitmapSource() = default;
