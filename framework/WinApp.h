#pragma once
// The application object: one per process, started by the framework's entry point.
#include <windows.h>

#include <memory>
#include <vector>

class CWnd;
class CSingleDocTemplate;
class CCommandLineInfo;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE ends the process (after ExitInstance); TRUE runs the message loop.
    virtual BOOL InitInstance();
    // Called last, also when InitInstance answered FALSE; its answer is the exit code.
    virtual int ExitInstance();
    // The message loop, until WM_QUIT; answers ExitInstance().
    virtual int Run();
    // Offered every queued message first; the default walks the window objects.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // The single-document start: the application keeps its templates; the command line
    // (without the program) is parsed into info, which then says what to open.
    void AddDocTemplate(CSingleDocTemplate* docTemplate);
    void ParseCommandLine(CCommandLineInfo& info);
    // FALSE when the document, its frame or its view could not be created.
    BOOL ProcessShellCommand(CCommandLineInfo& info);

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

protected:
    int m_exitCode = 0;
    std::vector<std::unique_ptr<CSingleDocTemplate>> m_templates;  // wParam of the WM_QUIT that ended the loop
};

CWinApp* AfxGetApp();

// Takes one message from the queue and handles it as the application loop does:
// pre-translation (where dialogs do their navigation), then dispatch. FALSE on WM_QUIT
// (left in *msg).
BOOL AfxPumpMessage(MSG* msg);

// The framework's entry point, called from the program's wWinMain.
int AfxWinMain(HINSTANCE instance, int cmdShow);
