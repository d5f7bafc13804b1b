#include "framework/Dialog.h"

#include "framework/WinApp.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    // A dialog owns its window. By now the derived parts are gone, so the window's last
    // messages reach only this class's handlers; a derived dialog whose own handlers must
    // see the end ends the window in its own destructor.
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND, UINT, WPARAM, LPARAM) {
    // Every message already went through the object's WindowProc (the dialog is
    // subclassed at creation); the dialog manager's defaults are all that is left.
    return FALSE;
}

HWND CDialog::CreateFromTemplate(HWND parent) {
    HINSTANCE instance = AfxGetInstanceHandle();
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(m_nIDTemplate), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (resource == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(instance, resource);
    auto* dialogTemplate = loaded != nullptr ? static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)) : nullptr;
    if (dialogTemplate == nullptr) return nullptr;
    m_endRequested = false;
    m_nModalResult = -1;
    CWndCreationHook hook(this);
    HWND hwnd = CreateDialogIndirectParamW(instance, dialogTemplate, parent, &CDialog::DialogProc,
                                           reinterpret_cast<LPARAM>(this));
    return (hwnd != nullptr && hwnd == m_hWnd) ? hwnd : nullptr;
}

HWND CDialog::ResolveOwner() const {
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : m_hWndOwner;
    if (owner == nullptr) {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this) owner = app->m_pMainWnd->m_hWnd;
    }
    if (owner == nullptr || !IsWindow(owner)) return nullptr;
    // A control or a re-parented frame stands for the top-level window it lives in, which
    // is what a modal dialog disables.
    return GetAncestor(owner, GA_ROOT);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    if (m_hWnd != nullptr) return FALSE;
    m_nIDTemplate = templateId;
    m_pParentWnd = parent;
    return CreateFromTemplate(ResolveOwner()) != nullptr;
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd != nullptr) return -1;
    HWND owner = ResolveOwner();
    // The owner is disabled while the dialog runs, as the system's modal boxes do.
    const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);

    HWND hwnd = CreateFromTemplate(owner);
    if (hwnd == nullptr) {
        if (disableOwner) EnableWindow(owner, TRUE);
        return -1;
    }
    m_inModalLoop = true;
    // A dialog whose template is not visible shows itself once its queue is first idle,
    // after OnInitDialog and the messages it posted.
    bool showWhenIdle = (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) == 0;
    bool quit = false;
    WPARAM quitCode = 0;
    while (!m_endRequested) {
        MSG msg;
        if (showWhenIdle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            showWhenIdle = false;
            if (!m_endRequested && m_hWnd != nullptr) {
                ShowWindow(m_hWnd, SW_SHOWNORMAL);
                UpdateWindow(m_hWnd);
            }
            continue;
        }
        if (!AfxPumpMessage(&msg)) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (m_hWnd == nullptr) break;  // destroyed from inside
    }
    m_inModalLoop = false;
    if (disableOwner) EnableWindow(owner, TRUE);
    if (owner != nullptr && m_hWnd != nullptr && GetActiveWindow() == m_hWnd) SetActiveWindow(owner);
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
    if (quit) {
        PostQuitMessage(static_cast<int>(quitCode));
        return -1;
    }
    return m_nModalResult;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    m_endRequested = true;
    if (m_hWnd == nullptr) return;
    ::EndDialog(m_hWnd, result);  // hides the dialog
    if (m_inModalLoop) PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    if (m_hWnd == nullptr) return FALSE;
    CDataExchange dx{this, saveAndValidate};
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCommand(WPARAM, LPARAM) { return FALSE; }

void CDialog::DoDataExchange(CDataExchange*) {}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return 0;
            }
        }
        if (OnCommand(wParam, lParam)) return 0;
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (m_hWnd == nullptr) return FALSE;
    const bool input = (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) ||
                       (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST);
    if (!input || (msg->hwnd != m_hWnd && !IsChild(m_hWnd, msg->hwnd))) return FALSE;
    return IsDialogMessageW(m_hWnd, msg);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (dx == nullptr || dx->m_pDlgWnd == nullptr || control.m_hWnd != nullptr) return;
    control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}
