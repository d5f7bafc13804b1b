#pragma once
// Owning holders of GDI objects: the object is deleted when it is replaced or when its
// holder goes away, so a control that loads a bitmap or creates a font keeps no manual
// release path.
#include <windows.h>

template <typename Handle>
class CGdiHandle {
public:
    CGdiHandle() = default;
    explicit CGdiHandle(Handle handle) : m_handle(handle) {}
    ~CGdiHandle() { DeleteObject(); }
    CGdiHandle(const CGdiHandle&) = delete;
    CGdiHandle& operator=(const CGdiHandle&) = delete;
    // Moving hands the object over (a loader returns its owner).
    CGdiHandle(CGdiHandle&& other) noexcept : m_handle(other.Detach()) {}
    CGdiHandle& operator=(CGdiHandle&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    Handle GetSafeHandle() const { return m_handle; }
    operator Handle() const { return m_handle; }
    // Takes ownership of handle, deleting the one held before.
    void Attach(Handle handle) {
        if (handle == m_handle) return;
        DeleteObject();
        m_handle = handle;
    }
    Handle Detach() {
        Handle handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    BOOL DeleteObject() {
        if (m_handle == nullptr) return FALSE;
        ::DeleteObject(m_handle);
        m_handle = nullptr;
        return TRUE;
    }

private:
    Handle m_handle = nullptr;
};

class CBitmap : public CGdiHandle<HBITMAP> {
public:
    using CGdiHandle::CGdiHandle;
    // Width and height of the bitmap; FALSE (and zeros) when none is held.
    BOOL GetSize(int* width, int* height) const;
};

class CFont : public CGdiHandle<HFONT> {
public:
    BOOL CreateFontIndirect(const LOGFONTW& logFont) {
        Attach(::CreateFontIndirectW(&logFont));
        return GetSafeHandle() != nullptr;
    }
};

using CRgn = CGdiHandle<HRGN>;
using CBrush = CGdiHandle<HBRUSH>;

inline BOOL CBitmap::GetSize(int* width, int* height) const {
    BITMAP info{};
    const BOOL ok = GetSafeHandle() != nullptr && GetObjectW(GetSafeHandle(), sizeof info, &info) != 0;
    if (width != nullptr) *width = ok ? info.bmWidth : 0;
    if (height != nullptr) *height = ok ? info.bmHeight : 0;
    return ok;
}
