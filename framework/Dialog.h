#pragma once
// Dialogs from resource templates, modal (the framework's own loop, so that every message
// is pre-translated first) or modeless.
#include "framework/Wnd.h"

class CDialog;

struct CDataExchange {
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; answers the EndDialog result, or -1 when it could not be
    // created (or the loop saw WM_QUIT, which is posted again).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless; it shows itself when its template says WS_VISIBLE.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    // Ends a modal loop with the result; hides a modeless dialog.
    void EndDialog(int result);

    // Owner of a dialog whose parent has no window object here (a window of another module
    // or process); used when no parent object is given. Without either, the application's
    // main window owns the dialog.
    void SetOwnerWindow(HWND owner) { m_hWndOwner = owner; }

    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    BOOL IsModal() const { return m_inModalLoop; }

    // Dialog navigation (Tab, Enter, Esc, mnemonics) for the keyboard and mouse messages
    // of the dialog's own window tree; derived dialogs put their own key rules first.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Command from a control or menu other than IDOK and IDCANCEL; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange* dx);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    HWND CreateFromTemplate(HWND parent);
    // The window that owns this dialog: the parent's (or given owner's) top-level window,
    // else the application's main window; null when there is none.
    HWND ResolveOwner() const;
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

    HWND m_hWndOwner = nullptr;
    bool m_inModalLoop = false;
    bool m_endRequested = false;
    INT_PTR m_nModalResult = -1;
};

// Attaches the template control with this id to its object (once), which then receives
// the control's messages and reflected notifications.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
