#pragma once
// The question asked by the launcher's "登录其他账号" link: open the next login as another
// tab of this window, or in a new launcher window. A small modeless pop-up that only
// reports the answer to its parent (WM_USER+6: 1 new tab, 0 new window) and hides; a
// click elsewhere withdraws the question. Created once and kept for later questions.
#include "skin/BtnEx.h"
#include "skin/DlgEx.h"
#include "skin/StaticEx.h"

class CAddAccDlg : public CDlgEx {
public:
    CAddAccDlg();

    CBtnEx m_btnYes;
    CBtnEx m_btnNo;
    CStaticEx m_stcQuestion;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // "是" and Enter; "否" and Esc.
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Answer(WPARAM newTab);
};
