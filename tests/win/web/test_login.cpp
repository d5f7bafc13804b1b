// The login background and page with the real control, against a stand-in launcher in
// another process: the page commands arrive through the control's own BeforeNavigate2 and
// end the login as they should; the page appears when its navigation completes.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <functional>
#include <string>
#include <vector>

#include "BrowserEvents.h"
#include "LoopSteps.h"
#include "LoopbackListener.h"
#include "TestLauncher.h"
#include "framework/OleInit.h"
#include "web/GameProcess.h"
#include "web/LoginBkDlg.h"
#include "web/LoginCommands.h"

namespace {

// GDI+ for the background picture, as the application starts it.
struct GdiplusForTests {
    ULONG_PTR token = 0;
    GdiplusForTests() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    ~GdiplusForTests() { Gdiplus::GdiplusShutdown(token); }
} g_gdiplus;

HWND FindOwnMessageBox(HWND exclude) {
    struct Search {
        HWND exclude, found;
    } search{exclude, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t cls[32] = {};
            GetClassNameW(hwnd, cls, 32);
            if (hwnd != s->exclude && IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" &&
                GetDlgItem(hwnd, 5000) != nullptr) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AfxOleInit());
        ASSERT_NE(launcher.hwnd(), nullptr);
        vorn::GetGameProcess().launcherWnd = launcher.hwnd();
        vorn::GetGameProcess().launcherTabs = 0;
        g_strGameUrl = L"unchanged";
    }
    std::wstring LoginUrl() { return server.Url(L"/act/wd/main/index/277"); }

    // Runs the login modally; once the page was requested, `command` is navigated to from
    // inside the loop and `then` runs until it answers true.
    INT_PTR RunLogin(const std::wstring& command, std::function<bool(CLoginBkDlg&)> then = nullptr) {
        CLoginBkDlg login(CWnd::FromHandle(launcher.hwnd()), LoginUrl());
        bool sent = false;
        LoopSteps steps([&] {
            if (!sent) {
                if (server.requests().empty() || login.m_dlgLogin.m_hWnd == nullptr) return false;
                ownerWhileRunning = GetWindow(login.m_hWnd, GW_OWNER);
                launcherEnabledWhileRunning = IsWindowEnabled(launcher.hwnd()) != FALSE;
                sent = true;
                if (!command.empty()) login.m_dlgLogin.Navigate(command.c_str());
                return !then;
            }
            return then(login);
        });
        return login.DoModal();
    }

    LoopbackListener server;
    TestLauncher launcher;
    HWND ownerWhileRunning = nullptr;
    bool launcherEnabledWhileRunning = true;
};

}  // namespace

TEST_F(LoginTest, LoadGameRegistersTheKeyAndEndsWithOneThenADuplicateEndsWithTwo) {
    const std::wstring game = server.Url(L"/game/play.htm?server=1&account=abc");
    EXPECT_EQ(RunLogin(L"app://loadgame|S1%E6%9C%8D-2-abc|" + game), 1);
    EXPECT_EQ(g_strGameUrl, game);
    // The login ran owned by the launcher, which it disabled meanwhile and gave back.
    EXPECT_EQ(ownerWhileRunning, launcher.hwnd());
    EXPECT_FALSE(launcherEnabledWhileRunning);
    EXPECT_TRUE(IsWindowEnabled(launcher.hwnd()));
    // Only the login page was requested; the command was not.
    EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /act/wd/main/index/277 HTTP/1.1"});

    // The same account on the same server: the message, confirmed, and the login left.
    g_strGameUrl = L"unchanged";
    bool boxSeen = false;
    // Confirms the login's own message box once it shows, and notes that it did.
    const auto confirmBox = [&](CLoginBkDlg& login) {
        HWND box = FindOwnMessageBox(login.m_hWnd);
        if (box == nullptr) return false;
        boxSeen = true;
        SendMessageW(box, WM_COMMAND, MAKEWPARAM(5000, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, 5000)));
        return true;
    };
    EXPECT_EQ(RunLogin(L"app://loadgame|S1服-2-abc|" + game, confirmBox), 2);
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(g_strGameUrl, L"unchanged");
    EXPECT_EQ(launcher.Messages(), (std::vector<std::string>{"copydata 1服-2-abc 1", "copydata 1服-2-abc 0"}));

    // A game address that is not a web page: the message, the login left, no title sent.
    boxSeen = false;
    EXPECT_EQ(RunLogin(L"app://loadgame|S2服-2-xyz|file:///C:/Windows/System32/calc.exe", confirmBox), 2);
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(g_strGameUrl, L"unchanged");
    EXPECT_EQ(launcher.Messages().size(), 2u);

    // The launcher that started the login is gone: no answer is no refusal, and the login
    // ends without telling the player the account is logged in already.
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    vorn::GetGameProcess().launcherWnd = gone;
    boxSeen = false;
    EXPECT_EQ(RunLogin(L"app://loadgame|S3服-2-abc|" + game, confirmBox), 2);
    EXPECT_FALSE(boxSeen);
    EXPECT_EQ(g_strGameUrl, L"unchanged");
}

TEST_F(LoginTest, ExitGameMinimizeAndUnknownWords) {
    EXPECT_EQ(RunLogin(L"app://exitgame"), 2);

    // Other letter case, unknown words and a frame's command change nothing; minimize with
    // no tabs minimises the launcher (no account control here) and the login stays.
    ASSERT_FALSE(vorn::IsUserAccountControlOn());
    int step = 0;
    DWORD waitFrom = 0;
    EXPECT_EQ(RunLogin(L"APP://exitgame",
                       [&](CLoginBkDlg& login) {
                           switch (step) {
                           case 0:
                               waitFrom = GetTickCount();
                               // From a frame (any object but the browser itself): cancelled only.
                               EXPECT_TRUE(FireBeforeNavigate2(login.m_dlgLogin.GetBrowserHost(),
                                                               login.m_dlgLogin.GetBrowserHost().GetEventSink(),
                                                               L"app://exitgame"));
                               login.m_dlgLogin.Navigate(L"app://ExitGame");
                               login.m_dlgLogin.Navigate(L"app://reload");
                               login.m_dlgLogin.Navigate(L"app://minimize");
                               ++step;
                               return false;
                           case 1:
                               if (!IsIconic(launcher.hwnd())) return GetTickCount() - waitFrom > 10000;
                               ShowWindow(launcher.hwnd(), SW_RESTORE);
                               login.m_dlgLogin.Navigate(L"app://exitgame");
                               return true;
                           default:
                               return true;
                           }
                       }),
              2);
    EXPECT_EQ(step, 1);
    EXPECT_FALSE(IsIconic(launcher.hwnd()));

    // With tabs in the launcher, minimize gives the login up.
    vorn::GetGameProcess().launcherTabs = 2;
    EXPECT_EQ(RunLogin(L"app://minimize"), 2);
    EXPECT_TRUE(launcher.Messages().empty());
}

TEST_F(LoginTest, ThePageAppearsOverTheBackgroundOnceItsNavigationCompletesAndFollowsIt) {
    RECT pageRect{}, backRect{}, firstChild{};
    LONG backEx = 0, pageEx = 0;
    COLORREF key = 0;
    DWORD keyFlags = 0;
    bool hiddenBefore = false, visibleAfter = false;
    RECT movedPage{}, movedBack{};
    bool escapeIgnored = false;
    int step = 0;
    const INT_PTR result = RunLogin(L"", [&](CLoginBkDlg& login) {
        CLoginDlg& page = login.m_dlgLogin;
        switch (step++) {
        case 0:
            hiddenBefore = !IsWindowVisible(page.m_hWnd);
            FireNavigateComplete2(page.GetBrowserHost(), page.GetBrowser(), LoginUrl());
            visibleAfter = IsWindowVisible(page.m_hWnd) != FALSE;
            GetWindowRect(page.m_hWnd, &pageRect);
            GetWindowRect(login.m_hWnd, &backRect);
            GetWindowRect(FindWindowExW(page.m_hWnd, nullptr, nullptr, nullptr), &firstChild);
            backEx = GetWindowLongW(login.m_hWnd, GWL_EXSTYLE);
            pageEx = GetWindowLongW(page.m_hWnd, GWL_EXSTYLE);
            GetLayeredWindowAttributes(page.m_hWnd, &key, nullptr, &keyFlags);
            SetWindowPos(login.m_hWnd, nullptr, backRect.left + 25, backRect.top + 15, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            GetWindowRect(page.m_hWnd, &movedPage);
            GetWindowRect(login.m_hWnd, &movedBack);
            // Esc and F5 on the page and Enter on the background are eaten.
            PostMessageW(page.GetBrowserHostWindow(), WM_KEYDOWN, VK_ESCAPE, 1);
            PostMessageW(page.GetBrowserHostWindow(), WM_KEYDOWN, VK_F5, 1);
            PostMessageW(login.m_hWnd, WM_KEYDOWN, VK_RETURN, 1);
            return false;
        case 1:
            return false;
        case 2:
            escapeIgnored = IsWindowVisible(login.m_hWnd) != FALSE;
            // Esc on the background itself cancels.
            PostMessageW(login.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
            return true;
        default:
            return true;
        }
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(hiddenBefore);
    EXPECT_TRUE(visibleAfter);
    EXPECT_TRUE(escapeIgnored);
    EXPECT_EQ(backRect.right - backRect.left, 888);
    EXPECT_EQ(backRect.bottom - backRect.top, 518);
    EXPECT_TRUE(EqualRect(&pageRect, &backRect));
    EXPECT_TRUE(EqualRect(&firstChild, &pageRect));  // no caption or border: client = window
    EXPECT_TRUE(EqualRect(&movedPage, &movedBack));
    EXPECT_EQ(movedBack.left, backRect.left + 25);
    EXPECT_TRUE(backEx & WS_EX_LAYERED);
    EXPECT_TRUE(pageEx & WS_EX_LAYERED);
    EXPECT_TRUE(pageEx & WS_EX_TOOLWINDOW);
    EXPECT_EQ(key, RGB(254, 254, 254));
    EXPECT_EQ(keyFlags, static_cast<DWORD>(LWA_COLORKEY));
}

TEST(LoginPage, TheReservedAreaKeepsTheMouse) {
    EXPECT_TRUE(CLoginDlg::IsInReservedArea(POINT{500, 10}));
    EXPECT_TRUE(CLoginDlg::IsInReservedArea(POINT{529, 31}));
    EXPECT_TRUE(CLoginDlg::IsInReservedArea(POINT{480, 0}));
    EXPECT_FALSE(CLoginDlg::IsInReservedArea(POINT{479, 10}));
    EXPECT_FALSE(CLoginDlg::IsInReservedArea(POINT{500, 32}));
    EXPECT_FALSE(CLoginDlg::IsInReservedArea(POINT{500, -1}));
}
