#pragma once
// The login background: a modal window drawn entirely from a picture with per-pixel
// transparency (frame, shadow, rounded corners). It owns the modal loop whose result is
// the login's result, and the login page lies over it and follows it.
#include <windows.h>

#include <string>

#include "common/KernelHandle.h"
#include "framework/Dialog.h"
#include "web/LoginDlg.h"

namespace Gdiplus {
class GpImage;
}  // namespace Gdiplus

class CLoginBkDlg : public CDialog {
public:
    // parent: the launcher's window (usually a temporary object of another process).
    explicit CLoginBkDlg(CWnd* parent, const std::wstring& loginUrl);
    ~CLoginBkDlg() override;

    Gdiplus::GpImage* m_pBkImage = nullptr;  // the picture, until it is painted into the window
    UINT m_nBkWidth = 0;                     // its size, which is the window's
    UINT m_nBkHeight = 0;
    CLoginDlg m_dlgLogin;

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PlaceOverOwner();
    // The page over the background, at its size.
    void PlacePage();
    void PaintLayered();
    // The picture decoded on the decoder thread, or here when that thread could not start.
    void TakeDecodedPicture();
    static DWORD WINAPI DecodePicture(void* self);

    // Decodes the picture while the window is being made: both take about as long.
    vorn::KernelHandle m_decoder;  // the picture decoder's thread
    Gdiplus::GpImage* m_pDecoded = nullptr;  // written by the decoder thread until it ends
};
