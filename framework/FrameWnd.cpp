#include "framework/FrameWnd.h"

#include "framework/WinApp.h"

BOOL CDocument::OnNewDocument() { return TRUE; }

BOOL CDocument::OnOpenDocument(const wchar_t*) { return FALSE; }

// --- view ----------------------------------------------------------------------------------

BOOL CView::PreCreateWindow(CREATESTRUCTW& cs) {
    // A bordered view draws its border as a client edge.
    if (cs.style & WS_BORDER) {
        cs.dwExStyle |= WS_EX_CLIENTEDGE;
        cs.style &= ~WS_BORDER;
    }
    return TRUE;
}

BOOL CView::Create(CFrameWnd* frame, CCreateContext* context) {
    if (frame == nullptr || frame->m_hWnd == nullptr) return FALSE;
    m_pDocument = context != nullptr ? context->m_pCurrentDoc : nullptr;
    RECT client{};
    GetClientRect(frame->m_hWnd, &client);
    CREATESTRUCTW cs{};
    cs.lpszClass = AfxPlainWindowClass();
    cs.style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN;
    cs.hwndParent = frame->m_hWnd;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(CFrameWnd::kViewId));
    cs.cx = client.right;
    cs.cy = client.bottom;
    if (!PreCreateWindow(cs)) return FALSE;
    const RECT rect{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
    return CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, rect, cs.hwndParent, cs.hMenu);
}

void CView::OnInitialUpdate() {}

CFrameWnd* CView::GetParentFrame() const {
    if (m_hWnd == nullptr) return nullptr;
    return dynamic_cast<CFrameWnd*>(FromHandlePermanent(::GetParent(m_hWnd)));
}

int CView::OnCreate(LPCREATESTRUCTW) { return 0; }

LRESULT CView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        if (OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam)) == -1) return -1;
        return 0;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

void CView::PostNcDestroy() { delete this; }

// --- frame ---------------------------------------------------------------------------------

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs) {
    if (cs.lpszClass == nullptr) cs.lpszClass = AfxPlainWindowClass();
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
    m_nIDResource = resourceId;
    CREATESTRUCTW cs{};
    cs.style = style;
    // A frame that does not choose starts at the screen's corner in a plain size.
    cs.cx = 640;
    cs.cy = 480;
    cs.hwndParent = parent != nullptr ? parent->m_hWnd : nullptr;
    cs.lpszName = L"";
    if (!PreCreateWindow(cs)) return FALSE;
    const RECT rect{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
    m_pPendingContext = context;
    const BOOL created = CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, rect, cs.hwndParent, cs.hMenu);
    m_pPendingContext = nullptr;
    return created;
}

int CFrameWnd::OnCreate(LPCREATESTRUCTW) {
    CCreateContext* context = m_pPendingContext;
    if (context == nullptr || context->m_pNewView == nullptr) return 0;
    CView* view = context->m_pNewView();
    if (view == nullptr) return -1;
    if (!view->Create(this, context)) {
        delete view;  // no window, so it cannot delete itself
        return -1;
    }
    m_pViewActive = view;
    return 0;
}

void CFrameWnd::RecalcLayout() {
    if (m_pViewActive == nullptr || m_pViewActive->m_hWnd == nullptr) return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    MoveWindow(m_pViewActive->m_hWnd, 0, 0, client.right, client.bottom, TRUE);
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        if (OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam)) == -1) return -1;
        return 0;
    case WM_SIZE: {
        const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
        RecalcLayout();
        return result;
    }
    case WM_SETFOCUS:
        if (m_pViewActive != nullptr && m_pViewActive->m_hWnd != nullptr) {
            SetFocus(m_pViewActive->m_hWnd);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Closing the frame ends its document's life, and with the main frame the
        // application's.
        ::DestroyWindow(m_hWnd);
        return 0;
    case WM_DESTROY:
        m_pViewActive = nullptr;
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

void CFrameWnd::PostNcDestroy() { delete this; }

// --- template ------------------------------------------------------------------------------

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, CDocumentFactory newDocument, CFrameFactory newFrame,
                                       CViewFactory newView)
    : m_nIDResource(resourceId), m_newDocument(newDocument), m_newFrame(newFrame), m_newView(newView) {}

CSingleDocTemplate::~CSingleDocTemplate() = default;

CDocument* CSingleDocTemplate::OpenDocumentFile(const wchar_t* path) {
    if (m_document) return nullptr;  // a single-document template holds one
    std::unique_ptr<CDocument> document(m_newDocument());
    if (!document) return nullptr;
    CFrameWnd* frame = m_newFrame();
    if (frame == nullptr) return nullptr;
    CCreateContext context{document.get(), m_newView};
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW, nullptr, &context)) {
        // Without a window the frame cannot delete itself.
        if (frame->m_hWnd == nullptr) delete frame;
        return nullptr;
    }
    const BOOL ready = path == nullptr ? document->OnNewDocument() : document->OnOpenDocument(path);
    if (!ready) {
        frame->DestroyWindow();
        return nullptr;
    }
    m_document = std::move(document);
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == nullptr) app->m_pMainWnd = frame;
    // The frame is left as it was created; the application shows it when it wants to.
    if (CView* view = frame->GetActiveView()) view->OnInitialUpdate();
    return m_document.get();
}

void CCommandLineInfo::ParseParam(const wchar_t* param, BOOL flag, BOOL) {
    if (flag || param == nullptr || !m_strFileName.empty()) return;
    m_strFileName = param;
    m_nShellCommand = FileOpen;
}
