#include "framework/WinApp.h"

#include <stdlib.h>

#include "framework/FrameWnd.h"
#include "framework/OleInit.h"
#include "framework/Wnd.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_exitCode; }

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate) {
    if (docTemplate != nullptr) m_templates.emplace_back(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    for (int i = 1; i < __argc && __wargv != nullptr; ++i) {
        const wchar_t* param = __wargv[i] != nullptr ? __wargv[i] : L"";
        const BOOL flag = param[0] == L'/' || param[0] == L'-';
        info.ParseParam(flag ? param + 1 : param, flag, i + 1 == __argc);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
    if (m_templates.empty()) return FALSE;
    const wchar_t* path = info.m_nShellCommand == CCommandLineInfo::FileOpen ? info.m_strFileName.c_str() : nullptr;
    return m_templates.front()->OpenDocumentFile(path) != nullptr;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
    return CWnd::WalkPreTranslateTree(m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr, msg);
}

BOOL AfxPumpMessage(MSG* msg) {
    const BOOL got = GetMessageW(msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        if (got == -1) msg->message = WM_QUIT;
        return FALSE;
    }
    CWinApp* app = AfxGetApp();
    const BOOL consumed = app != nullptr ? app->PreTranslateMessage(msg) : CWnd::WalkPreTranslateTree(nullptr, msg);
    if (consumed) return TRUE;
    TranslateMessage(msg);
    DispatchMessageW(msg);
    return TRUE;
}

int CWinApp::Run() {
    MSG msg{};
    while (AfxPumpMessage(&msg)) {
    }
    m_exitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int AfxWinMain(HINSTANCE instance, int cmdShow) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    app->m_hInstance = instance;
    app->m_nCmdShow = cmdShow;
    const bool run = app->InitInstance() != FALSE;
    const int exitCode = run ? app->Run() : 0;
    // A main window still there (a loop ended by WM_QUIT) goes now, with any browser it
    // hosts, so that OLE can end after it.
    if (app->m_pMainWnd != nullptr && app->m_pMainWnd->m_hWnd != nullptr) app->m_pMainWnd->DestroyWindow();
    const int code = run ? exitCode : app->ExitInstance();
    AfxOleTerm();
    return code;
}
