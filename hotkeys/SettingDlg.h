#pragma once
// The settings dialog: three boxes that capture a key combination each (boss key,
// window-switch key, sound key). OK stores them and tells every running launcher.
#include "framework/Controls.h"
#include "framework/GdiObject.h"
#include "skin/BtnEx.h"
#include "skin/DlgEx.h"
#include "skin/StaticEx.h"

class CSettingDlg : public CDlgEx {
public:
    explicit CSettingDlg(CWnd* pParent = nullptr);
    ~CSettingDlg() override;

    // One of the three key boxes.
    bool IsKeyBox(HWND window) const;

    CEdit m_edtBossKey;
    CEdit m_edtSwitchKey;
    CEdit m_edtSoundKey;
    int m_nBossKey = 121;
    int m_nSwitchKey = 9;
    int m_nSoundKey = 83;
    CStaticEx m_stcBossLabel;
    CStaticEx m_stcBossExample;
    CStaticEx m_stcSwitchLabel;
    CStaticEx m_stcSwitchExample;
    CStaticEx m_stcSoundLabel;
    CStaticEx m_stcSoundExample;
    CBtnEx m_btnOK;
    CBtnEx m_btnCancel;

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    CBrush m_brGroup;
};

namespace vorn {

// Posts "reload the hot keys" to the main window of every running launcher (at most ten,
// found by their title and the dialog class); returns how many were told.
int BroadcastHotKeyReload();

// The keyboard goes to a key box of the settings dialog open in this process: every key
// pressed there, a hot key included, is a setting being typed.
bool IsKeyBoxFocused();

}  // namespace vorn
