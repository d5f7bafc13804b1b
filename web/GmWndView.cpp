#include "web/GmWndView.h"

#include "framework/WinApp.h"
#include "web/AppCommand.h"
#include "web/EnterGame.h"
#include "web/GameProcess.h"
#include "web/WebText.h"

BOOL CGmWndDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

CGmWndView::~CGmWndView() {
    if (g_pGameView == this) g_pGameView = nullptr;
}

RECT CGmWndView::FramePlacement(const RECT& launcherClient) {
    return RECT{launcherClient.left + 4, launcherClient.top + 30, launcherClient.right - 4, launcherClient.bottom - 4};
}

int CGmWndView::OnCreate(LPCREATESTRUCTW cs) {
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, GetWindowLongW(m_hWnd, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
    return CHtmlView::OnCreate(cs) == -1 ? -1 : 0;
}

void CGmWndView::OnInitialUpdate() {
    CHtmlView::OnInitialUpdate();
    if (IWebBrowser2* browser = GetBrowser()) browser->put_Silent(VARIANT_TRUE);
    g_pGameView = this;
    // Only a web address: the login refuses others, and this view runs elevated.
    if (vorn::IsGameAddress(vorn::U16View(g_strGameUrl))) Navigate2(g_strGameUrl.c_str());
}

HRESULT CGmWndView::OnGetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr) return E_POINTER;
    // Decided by the page the process was started for, not the page shown now: a game
    // that goes to the hall page keeps its look.
    if (g_strGameUrl != vorn::GameHallUrl()) info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    return S_OK;
}

void CGmWndView::OnTitleChange(const wchar_t* title) {
    if (std::wstring* pageTitle = vorn::GetGameProcess().pageTitle) *pageTitle = title;
}

void CGmWndView::OnNavigateComplete2(const wchar_t* url) {
    const vorn::GameProcess& process = vorn::GetGameProcess();
    if (process.pageUrl != nullptr) *process.pageUrl = url;
    // Placed and shown once, when its first page has come; from then on the launcher shows
    // and hides it with its tabs (a background tab whose page reloads or loads a frame
    // stays behind the selected one).
    if (m_bPlaced) return;
    CWinApp* app = AfxGetApp();
    CWnd* frame = app != nullptr ? app->m_pMainWnd : nullptr;
    RECT client{};
    if (frame == nullptr || frame->m_hWnd == nullptr || !GetClientRect(process.launcherWnd, &client)) return;
    const RECT place = FramePlacement(client);
    MoveWindow(frame->m_hWnd, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
    ShowWindow(frame->m_hWnd, SW_SHOW);
    m_bPlaced = true;
}

void CGmWndView::OnBeforeNavigate2(const wchar_t* url, DWORD, const wchar_t*, VARIANT*, const wchar_t*, BOOL* cancel) {
    if (vorn::RunEnterGame(url, IsTopLevelNavigation())) *cancel = TRUE;
}
