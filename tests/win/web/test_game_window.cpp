// The game window with the real control, against a stand-in launcher in another process:
// the single-document start, the frame announced and re-parented, the view's placement,
// title and address from the events Wine never fires (driven through the control's sink),
// key relay, favourites, the hot-key reload, script-box removal, "entergame", and the end
// of the process when the launcher is gone.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "BrowserEvents.h"
#include "LoopSteps.h"
#include "LoopbackListener.h"
#include "TestLauncher.h"
#include "common/Locations.h"
#include "common/Settings.h"
#include "framework/OleInit.h"
#include "framework/WinApp.h"
#include "hotkeys/HotKeys.h"
#include "sound/MuteRequestFilter.h"
#include "web/FavDlg.h"
#include "web/GameProcess.h"
#include "web/GmWndView.h"
#include "web/MainFrame.h"

namespace {

CWinApp g_app;  // the single-document start makes its frame this application's main window

std::vector<std::wstring> g_started;
BOOL RecordStart(const wchar_t* path) {
    g_started.push_back(path);
    return TRUE;
}
std::vector<std::wstring> g_downloads;
void RecordDownload(const wchar_t* name, HWND) { g_downloads.push_back(name); }

HWND FindThreadWindow(const std::function<bool(HWND)>& match) {
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found;
    } search{&match, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (IsWindowVisible(hwnd) && (*s->match)(hwnd)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TitleOf(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        fclose(f);
    }
    return bytes;
}

MSG Msg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    return msg;
}

void SetCtrlHeld(bool held) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Pumps messages until WM_QUIT arrives or the time is up; true when it arrived.
bool PumpUntilQuit(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return true;
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return false;
}

class GameWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AfxOleInit());
        ASSERT_NE(launcher.hwnd(), nullptr);
        vorn::GameProcess& process = vorn::GetGameProcess();
        process.launcherWnd = launcher.hwnd();
        process.launcherTabs = 0;
        process.pageTitle = &title;
        process.pageUrl = &url;
        process.startProgram = &RecordStart;
        process.showGameDownload = &RecordDownload;
        g_started.clear();
        g_downloads.clear();
    }
    void TearDown() override {
        if (g_app.m_pMainWnd != nullptr) g_app.m_pMainWnd->DestroyWindow();
        PumpUntilQuit(300);  // the main frame's end posts a quit; do not leave it behind
        vorn::GetGameProcess() = vorn::GameProcess{};
    }

    // Opens the game window as the application does.
    CMainFrame* Open(const std::wstring& gameUrl) {
        g_strGameUrl = gameUrl;
        templateHolder.reset(CSingleDocTemplate::New<CGmWndDoc, CMainFrame, CGmWndView>(128));
        if (templateHolder->OpenDocumentFile(nullptr) == nullptr) return nullptr;
        return dynamic_cast<CMainFrame*>(g_app.m_pMainWnd);
    }

    DWORD HostFlags() {
        ComPtr<IDocHostUIHandler> handler;
        g_pGameView->GetBrowserHost().GetSite()->QueryInterface(IID_IDocHostUIHandler,
                                                                reinterpret_cast<void**>(&handler));
        DOCHOSTUIINFO info{};
        info.cbSize = sizeof info;
        handler->GetHostInfo(&info);
        return info.dwFlags;
    }

    bool WaitForLog(const std::string& line) {
        return PumpUntil([&] {
            for (const std::string& l : launcher.Messages()) {
                if (l == line) return true;
            }
            return false;
        });
    }

    TestLauncher launcher;
    std::wstring title, url;
    std::unique_ptr<CSingleDocTemplate> templateHolder;
};

}  // namespace

TEST_F(GameWindowTest, TheHallWindowArrivesInTheLauncherAndIsPlacedWhenItsFirstPageCompletes) {
    CMainFrame* frame = Open(vorn::GameHallUrl());
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(g_pGameView, nullptr);
    const HWND hwnd = frame->m_hWnd;
    const std::string announced = "user2 " + std::to_string(reinterpret_cast<UINT_PTR>(hwnd)) + " 1";
    EXPECT_TRUE(WaitForLog(announced));
    EXPECT_EQ(GetAncestor(hwnd, GA_PARENT), launcher.hwnd());
    EXPECT_FALSE(IsWindowVisible(hwnd));
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_POPUP), 0);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_EQ(exStyle & (WS_EX_CLIENTEDGE | WS_EX_APPWINDOW), 0);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindowLongW(g_pGameView->m_hWnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_EQ(GetParent(g_pGameView->m_hWnd), hwnd);
    // The hall page keeps its border and scroll bars.
    EXPECT_EQ(HostFlags() & 0xC, 0u);

    // The first completed navigation places and shows the frame.
    ASSERT_HRESULT_SUCCEEDED(
        FireNavigateComplete2(g_pGameView->GetBrowserHost(), g_pGameView->GetBrowser(), L"http://h/webgame.htm"));
    RECT client{}, placed{};
    GetClientRect(launcher.hwnd(), &client);
    GetWindowRect(hwnd, &placed);
    MapWindowPoints(nullptr, launcher.hwnd(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 4);
    EXPECT_EQ(placed.top, 30);
    EXPECT_EQ(placed.right, client.right - 4);
    EXPECT_EQ(placed.bottom, client.bottom - 4);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(url, L"http://h/webgame.htm");
    // Later ones (a frame of the page, a reload) leave its place and visibility to the
    // launcher: a background tab stays behind the selected one.
    ShowWindow(hwnd, SW_HIDE);
    SetWindowPos(hwnd, nullptr, 0, 0, 50, 50, SWP_NOZORDER);
    FireNavigateComplete2(g_pGameView->GetBrowserHost(), nullptr, L"http://h/frame.htm");
    GetWindowRect(hwnd, &placed);
    EXPECT_EQ(placed.right - placed.left, 50);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(url, L"http://h/frame.htm");
    FireTitleChange(g_pGameView->GetBrowserHost(), L"VornTessaly游戏大厅");
    EXPECT_EQ(title, L"VornTessaly游戏大厅");

    // The launcher gone, the process's loop ends within the watch period.
    launcher.Kill();
    WaitForSingleObject(launcher.process(), 5000);
    const DWORD start = GetTickCount();
    EXPECT_TRUE(PumpUntilQuit(3000));
    EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST_F(GameWindowTest, AGameWindowRelaysTheSwitchKeyAndRereadsItsHotKeys) {
    CMainFrame* frame = Open(L"http://127.0.0.1:1/game/play.htm");
    ASSERT_NE(frame, nullptr);
    const std::string announced = "user2 " + std::to_string(reinterpret_cast<UINT_PTR>(frame->m_hWnd)) + " 0";
    EXPECT_TRUE(WaitForLog(announced));
    EXPECT_EQ(HostFlags() & 0xC, 0xCu);

    // Ctrl+Tab (the default switch key) goes to the launcher unchanged; Tab alone and the
    // program's own marked key stay.
    MSG tab = Msg(g_pGameView->m_hWnd, WM_KEYDOWN, VK_TAB, 0x000F0001);
    SetCtrlHeld(true);
    EXPECT_TRUE(g_pGameView->PreTranslateMessage(&tab));
    MSG marked = Msg(g_pGameView->m_hWnd, WM_KEYDOWN, VK_TAB, 7261);
    EXPECT_FALSE(g_pGameView->PreTranslateMessage(&marked));
    SetCtrlHeld(false);
    EXPECT_FALSE(g_pGameView->PreTranslateMessage(&tab));
    EXPECT_TRUE(WaitForLog("key 256 9 983041"));

    // A new switch key takes effect on WM_USER+7.
    const std::wstring ini = vorn::LocalIniPath();
    vorn::WriteHotKey(vorn::settings::kKeySwitchKey, VK_F2, 0);
    SendMessageW(frame->m_hWnd, WM_USER + 7, 0, 0);
    DeleteFileW(ini.c_str());
    MSG f2 = Msg(g_pGameView->m_hWnd, WM_KEYDOWN, VK_F2, 0x003C0001);
    EXPECT_TRUE(g_pGameView->PreTranslateMessage(&f2));
    EXPECT_TRUE(WaitForLog("key 256 113 3932161"));

    // A close request removes a script message box the page left open.
    struct {
        DLGTEMPLATE head;
        WORD menu, windowClass, title;
    } box{};
    box.head.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    box.head.cx = 100;
    box.head.cy = 40;
    HWND scriptBox = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &box.head, nullptr,
                                                [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(scriptBox, nullptr);
    SetWindowTextW(scriptBox, L"来自网页的消息");
    MSG close = Msg(frame->m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(frame->PreTranslateMessage(&close));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(scriptBox); }, 3000));
    EXPECT_TRUE(IsWindow(frame->m_hWnd));
    // The sound state reaches the process's filter: after a 1, another 1 is no change.
    SendMessageW(frame->m_hWnd, WM_USER + 5, 1, 0);
    EXPECT_FALSE(vorn::ProcessMuteRequestFilter().ShouldApply(1));

}

TEST_F(GameWindowTest, CtrlDWritesTheFavouriteInTheAnsiCodePage) {
    CMainFrame* frame = Open(L"http://127.0.0.1:1/game/play.htm");
    ASSERT_NE(frame, nullptr);
    title = L"Mirelund 1服";
    url = L"http://127.0.0.1/game/play.htm?server=1&account=游客";
    wchar_t favorites[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_FAVORITES, nullptr, SHGFP_TYPE_CURRENT, favorites));
    SHCreateDirectoryExW(nullptr, favorites, nullptr);
    const std::wstring file = std::wstring(favorites) + L"\\双线 1服_2.url";
    DeleteFileW(file.c_str());

    std::wstring proposed;
    bool launcherDisabled = false;
    LoopSteps steps([&] {
        HWND dialog = FindThreadWindow([](HWND h) { return TitleOf(h) == L"添加收藏"; });
        if (dialog == nullptr) return false;
        wchar_t text[128] = {};
        GetDlgItemTextW(dialog, 1018, text, 128);
        proposed = text;
        launcherDisabled = !IsWindowEnabled(launcher.hwnd());
        SetDlgItemTextW(dialog, 1018, L"双线 1服/2");  // a "/" would leave the folder
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    // A "d" without Ctrl is no favourite.
    MSG plainD = Msg(g_pGameView->m_hWnd, WM_CHAR, 'd', 0x00200001);
    EXPECT_FALSE(frame->PreTranslateMessage(&plainD));
    MSG ctrlD = Msg(g_pGameView->m_hWnd, WM_CHAR, 4, 0x00200001);
    EXPECT_TRUE(frame->PreTranslateMessage(&ctrlD));
    EXPECT_EQ(proposed, L"Mirelund 1服");
    EXPECT_TRUE(launcherDisabled);
    EXPECT_TRUE(IsWindowEnabled(launcher.hwnd()));

    const std::string bytes = ReadBytes(file);
    DeleteFileW(file.c_str());
    ASSERT_EQ(GetACP(), 936u) << "the tests run with the players' code page";
    // "游客" in code page 936 is D3 CE BF CD.
    const std::string address = "http://127.0.0.1/game/play.htm?server=1&account=\xD3\xCE\xBF\xCD";
    EXPECT_EQ(bytes, "[DEFAULT]\r\nBASEURL=" + address +
                         "\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n[InternetShortcut]\r\nURL=" + address +
                         "\r\nIDList=\r\n");
    // A page address with a line break would add lines of the page's own: no file at all.
    EXPECT_FALSE(CFavDlg::WriteFavorite(favorites, L"双线 1服_2", L"http://h/\r\nURL=file:///C:/x.exe"));
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GameWindowTest, EnterGameStartsALauncherFromTheDataFolderOnlyByAPlainName) {
    LoopbackListener server;
    CMainFrame* frame = Open(vorn::GameHallUrl());
    ASSERT_NE(frame, nullptr);
    const std::wstring folder = vorn::DataFolderPath();
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const std::wstring present = folder + L"\\Markerx.exe";
    TempFolder::WriteFile(present, "MZ");

    // Each command is cancelled before anything is requested; a name that walks out of
    // the folder is not carried out at all.
    IWebBrowser2* browser = g_pGameView->GetBrowser();
    ASSERT_NE(browser, nullptr);
    // A frame's command (any object other than the browser itself) is cancelled, never obeyed.
    EXPECT_TRUE(FireBeforeNavigate2(g_pGameView->GetBrowserHost(), g_pGameView->GetBrowserHost().GetEventSink(),
                                    L"app://entergame|markerx/"));
    PumpUntil([] { return !g_started.empty(); }, 1000);
    EXPECT_TRUE(g_started.empty());
    g_pGameView->Navigate2(L"app://entergame|..\\..\\Windows\\notepad");
    g_pGameView->Navigate2(L"app://entergame|markerx/");
    PumpUntil([] { return !g_started.empty(); }, 5000);

    bool boxSeen = false;
    LoopSteps steps([&] {
        HWND box = FindThreadWindow([](HWND h) { return GetDlgItem(h, 5000) != nullptr && GetDlgItem(h, 5001) != nullptr; });
        if (box == nullptr) return false;
        boxSeen = TitleOf(box) == L"VornTessaly游戏大厅";
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(5000, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, 5000)));
        return true;
    });
    g_pGameView->Navigate2((L"app://entergame|tessaly/|" + server.Url(L"/download/tessaly.htm")).c_str());
    PumpUntil([] { return !g_downloads.empty(); }, 10000);
    DeleteFileW(present.c_str());

    EXPECT_EQ(g_started, std::vector<std::wstring>{present});
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(g_downloads, std::vector<std::wstring>{L"Tessaly"});
    EXPECT_TRUE(server.requests().empty());
}
