#pragma once
// The base of every borderless skinned dialog: one background picture (nine-slice or
// natural size) with the icon and title in a caption band, corners cut along the picture's
// magenta pixels, its own close, minimise and maximise/restore buttons, and dragging, edge
// sizing and maximising done by the dialog itself.
#include "framework/Dialog.h"
#include "framework/GdiObject.h"
#include "skin/BtnEx.h"

class CDlgEx : public CDialog {
public:
    explicit CDlgEx(UINT templateId, CWnd* parent = nullptr);
    ~CDlgEx() override;

    // Takes over background, maximize and restore (deleted when replaced or with the
    // dialog); the close and minimise strips are copied and stay the caller's. Null
    // pictures leave their buttons out. Returns 1.
    int SetSkin(HBITMAP background, int resizeToPicture, int stretch, HBITMAP close, HBITMAP minimize,
                HBITMAP maximize, HBITMAP restore);
    void SetTitle(const wchar_t* title);
    // The layout shared by the small box-style dialogs (message box, progress dialogs):
    // a 30-pixel caption band, a 4-pixel border, the close button flush in the corner.
    void UseBoxCaptionLayout();

    int m_bShowTitle = 1;
    int m_bShowIcon = 1;
    int m_nCaptionHeight = -1;
    int m_nBtnRightMargin = 5;
    int m_nBtnTop = 1;
    int m_nBtnSpacing = 0;
    int m_nBorder = 3;
    COLORREF m_crTitle = RGB(255, 255, 255);
    int m_nTitleWeight = 400;
    CBitmap m_bmpBack;
    CBtnEx m_btnClose;
    CBtnEx m_btnMin;
    CBtnEx m_btnMax;
    int m_nMaxWidth = 1440;
    int m_nMaxHeight = 900;
    RECT m_rcNormal{};
    int m_bMaximized = 0;
    int m_bResizable = 0;
    int m_bStretch = 0;
    CBitmap m_bmpMaxPic;
    CBitmap m_bmpRestorePic;

    virtual void OnSkinClose();
    virtual void OnSkinMinimize();
    virtual void ToggleMaximize();
    virtual void UpdateMaxButton(BOOL restoreLook);

    // Paints background, icon and title of the whole window into dc; FALSE without a
    // background picture.
    BOOL PaintSkin(HDC dc);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void RebuildRegion();
    void PlaceSystemButtons();
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    void CreateSystemButton(CBtnEx& button, UINT id, HBITMAP strip, int right, const wchar_t* tip);
    HFONT CreateTitleFont(LOGFONTW* used) const;
};
