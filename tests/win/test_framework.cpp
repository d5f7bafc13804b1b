#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Dialog.h"
#include "framework/WinApp.h"

namespace {

constexpr UINT kProbeMsg = WM_APP + 10;

// A control that records what reaches its object.
class RecordingButton : public CWnd {
public:
    int presubclassed = 0;
    int drawn = 0;
    HBRUSH brush = nullptr;
    int colourAsks = 0;
    void PreSubclassWindow() override { ++presubclassed; }
    void DrawItem(LPDRAWITEMSTRUCT item) override {
        ++drawn;
        FillRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
};

class RecordingStatic : public CWnd {
public:
    int colourAsks = 0;
    HBRUSH CtlColor(HDC, UINT) override {
        ++colourAsks;
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
};

class RecordingEdit : public CWnd {
public:
    int probes = 0;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kProbeMsg) ++probes;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

class TestDialog : public CDialog {
public:
    explicit TestDialog(CWnd* parent = nullptr) : CDialog(100, parent) {}
    RecordingEdit edit;
    RecordingButton button;
    RecordingStatic label;
    bool windowValidInInit = false;
    int okCalls = 0, cancelCalls = 0, pretranslated = 0;
    bool consumeProbes = false;
    std::function<void(TestDialog&)> onInit;
    std::vector<UINT> commands;

protected:
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, 1001, edit);
        DDX_Control(dx, 1002, button);
        DDX_Control(dx, 1003, label);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        windowValidInInit = IsWindow(m_hWnd) != FALSE;
        if (onInit) onInit(*this);
        return TRUE;
    }
    void OnOK() override {
        ++okCalls;
        CDialog::OnOK();
    }
    void OnCancel() override {
        ++cancelCalls;
        CDialog::OnCancel();
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == kProbeMsg) {
            ++pretranslated;
            if (consumeProbes) return TRUE;
        }
        return CDialog::PreTranslateMessage(msg);
    }
};

}  // namespace

TEST(Dialog, EnterRunsOnOkThroughDialogNavigation) {
    TestDialog dialog;
    dialog.onInit = [](TestDialog& d) {
        SetFocus(d.edit.m_hWnd);
        PostMessageW(d.edit.m_hWnd, WM_KEYDOWN, VK_RETURN, 1);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.windowValidInInit);
    EXPECT_EQ(dialog.okCalls, 1);
    EXPECT_EQ(dialog.cancelCalls, 0);
    EXPECT_EQ(dialog.m_hWnd, nullptr);  // destroyed after the loop
    EXPECT_EQ(dialog.edit.m_hWnd, nullptr);
}

TEST(Dialog, EscapeAndCloseRunOnCancel) {
    TestDialog escape;
    escape.onInit = [](TestDialog& d) { PostMessageW(d.edit.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1); };
    EXPECT_EQ(escape.DoModal(), IDCANCEL);
    EXPECT_EQ(escape.cancelCalls, 1);

    TestDialog close;
    close.onInit = [](TestDialog& d) { PostMessageW(d.m_hWnd, WM_CLOSE, 0, 0); };
    EXPECT_EQ(close.DoModal(), IDCANCEL);
    EXPECT_EQ(close.cancelCalls, 1);
}

TEST(Dialog, ControlsAreAttachedAndReceiveReflectedNotifications) {
    TestDialog dialog;
    dialog.onInit = [](TestDialog& d) {
        EXPECT_EQ(d.button.presubclassed, 1);
        EXPECT_EQ(CWnd::FromHandlePermanent(GetDlgItem(d.m_hWnd, 1002)), &d.button);
        // Paint everything once, then finish.
        ShowWindow(d.m_hWnd, SW_SHOW);
        UpdateWindow(d.m_hWnd);
        RedrawWindow(d.button.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetDC(d.label.m_hWnd);
        SendMessageW(d.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(d.label.m_hWnd));
        ReleaseDC(d.label.m_hWnd, dc);
        PostMessageW(d.m_hWnd, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_GE(dialog.button.drawn, 1);
    EXPECT_GE(dialog.label.colourAsks, 1);
}

TEST(Dialog, EveryQueuedMessageIsPreTranslatedFirst) {
    TestDialog passes;
    passes.onInit = [](TestDialog& d) {
        PostMessageW(d.edit.m_hWnd, kProbeMsg, 0, 0);
        PostMessageW(d.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    };
    passes.DoModal();
    EXPECT_EQ(passes.pretranslated, 1);  // seen by the dialog, walking up from the edit
    EXPECT_EQ(passes.edit.probes, 1);    // and then dispatched

    TestDialog consumes;
    consumes.consumeProbes = true;
    consumes.onInit = [](TestDialog& d) {
        PostMessageW(d.edit.m_hWnd, kProbeMsg, 0, 0);
        PostMessageW(d.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    };
    consumes.DoModal();
    EXPECT_EQ(consumes.pretranslated, 1);
    EXPECT_EQ(consumes.edit.probes, 0);  // consumed: never dispatched
}

TEST(Dialog, TheOwnerIsDisabledWhileModalAndEnabledAfter) {
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxPlainWindowClass(), L"owner", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 200}, nullptr,
                               nullptr));
    TestDialog dialog(&owner);
    bool ownerEnabledDuring = true;
    HWND dialogOwner = nullptr;
    dialog.onInit = [&](TestDialog& d) {
        ownerEnabledDuring = IsWindowEnabled(owner.m_hWnd) != FALSE;
        dialogOwner = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(42);  // ending inside OnInitDialog still returns its result
    };
    EXPECT_EQ(dialog.DoModal(), 42);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_EQ(dialogOwner, owner.m_hWnd);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    owner.DestroyWindow();
}

TEST(Dialog, QuitDuringAModalLoopEndsItAndIsPassedOn) {
    TestDialog dialog;
    dialog.onInit = [](TestDialog&) { PostQuitMessage(7); };
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(Dialog, AMissingTemplateFails) {
    CDialog dialog(999);
    EXPECT_EQ(dialog.DoModal(), -1);
}

TEST(Dialog, ModelessDialogsHideOnEndDialog) {
    CDialog dialog;
    ASSERT_TRUE(dialog.Create(101));
    EXPECT_TRUE(IsWindowVisible(dialog.m_hWnd));
    dialog.EndDialog(IDOK);
    EXPECT_TRUE(IsWindow(dialog.m_hWnd));
    EXPECT_FALSE(IsWindowVisible(dialog.m_hWnd));
    EXPECT_FALSE(dialog.IsModal());
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

namespace {

class LifecycleWnd : public CWnd {
public:
    std::vector<UINT> seen;
    bool* deleted = nullptr;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(msg);
        return CWnd::WindowProc(msg, wParam, lParam);
    }
    void PostNcDestroy() override {
        if (deleted) *deleted = true;
    }
};

class TestApp : public CWinApp {};

}  // namespace

TEST(Wnd, ObjectsSeeTheirWindowFromFirstToLastMessage) {
    LifecycleWnd wnd;
    bool finished = false;
    wnd.deleted = &finished;
    ASSERT_TRUE(wnd.CreateEx(0, AfxPlainWindowClass(), L"life", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, nullptr));
    HWND hwnd = wnd.m_hWnd;
    ASSERT_FALSE(wnd.seen.empty());
    auto position = [&](UINT msg) { return std::find(wnd.seen.begin(), wnd.seen.end(), msg) - wnd.seen.begin(); };
    const auto ncCreate = position(WM_NCCREATE);
    ASSERT_LT(ncCreate, static_cast<long>(wnd.seen.size()));
    EXPECT_LT(ncCreate, position(WM_CREATE));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), &wnd);
    wnd.DestroyWindow();
    EXPECT_EQ(wnd.seen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_TRUE(finished);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

TEST(Wnd, AnObjectThatGoesFirstGivesTheWindowBack) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    const LONG_PTR original = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    {
        RecordingEdit object;
        ASSERT_TRUE(object.SubclassWindow(edit));
        EXPECT_NE(GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
        RecordingEdit second;
        EXPECT_FALSE(second.SubclassWindow(edit));  // one object per window
    }
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
    SendMessageW(edit, kProbeMsg, 0, 0);  // must not reach the dead object
    SetWindowTextW(edit, L"still alive");
    DestroyWindow(edit);
}

TEST(WinApp, TheLoopEndsWhenTheMainWindowIsDestroyed) {
    TestApp app;
    LifecycleWnd main;
    ASSERT_TRUE(main.CreateEx(0, AfxPlainWindowClass(), L"main", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, nullptr));
    app.m_pMainWnd = &main;
    PostMessageW(main.m_hWnd, WM_CLOSE, 0, 0);  // DefWindowProc destroys the window
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(main.m_hWnd, nullptr);
}

namespace {

// A main window with key rules of its own, like the launcher's: it swallows Esc and
// records every probe that reaches it.
class RuleMainWnd : public CWnd {
public:
    int escapesSwallowed = 0;
    std::vector<HWND> probesSeen;
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
            ++escapesSwallowed;
            return TRUE;
        }
        if (msg->message == kProbeMsg) probesSeen.push_back(msg->hwnd);
        return FALSE;
    }
};

}  // namespace

TEST(PreTranslate, APopUpOverTheMainWindowGetsItsKeysFirstAndTheMainWindowTheRest) {
    TestApp app;
    RuleMainWnd main;
    ASSERT_TRUE(main.CreateEx(0, AfxPlainWindowClass(), L"main", WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 200}, nullptr,
                              nullptr));
    app.m_pMainWnd = &main;

    // An unowned pop-up that no dialog object holds: its probes still reach the main
    // window last.
    HWND stray = CreateWindowExW(0, AfxPlainWindowClass(), L"stray", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);

    TestDialog dialog;  // no parent: owned by the main window
    HWND owner = nullptr, edit = nullptr;
    bool mainEnabledDuring = true;
    dialog.onInit = [&](TestDialog& d) {
        owner = GetWindow(d.m_hWnd, GW_OWNER);
        edit = d.edit.m_hWnd;
        mainEnabledDuring = IsWindowEnabled(main.m_hWnd) != FALSE;
        SetFocus(d.edit.m_hWnd);
        PostMessageW(d.edit.m_hWnd, kProbeMsg, 0, 0);  // passes the dialog, then its owner
        PostMessageW(stray, kProbeMsg, 0, 0);
        PostMessageW(d.edit.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);  // the dialog's Esc, not the main window's rule
    EXPECT_EQ(owner, main.m_hWnd);
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_TRUE(IsWindowEnabled(main.m_hWnd));
    EXPECT_EQ(dialog.cancelCalls, 1);
    EXPECT_EQ(main.escapesSwallowed, 0);
    EXPECT_EQ(dialog.pretranslated, 1);
    EXPECT_EQ(main.probesSeen, (std::vector<HWND>{edit, stray}));
    EXPECT_EQ(dialog.edit.probes, 1);  // and dispatched after the walk

    // With the dialog gone, the main window's own rule holds for its own keys.
    PostMessageW(main.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(main.m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(main.escapesSwallowed, 1);
    DestroyWindow(stray);
}

TEST(Owners, AChildGivenAsParentStandsForItsTopLevelWindow) {
    CWnd top;
    ASSERT_TRUE(top.CreateEx(0, AfxPlainWindowClass(), L"top", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 200}, nullptr,
                             nullptr));
    CWnd child;
    ASSERT_TRUE(child.CreateEx(0, AfxPlainWindowClass(), L"child", WS_CHILD | WS_VISIBLE, RECT{0, 0, 50, 50},
                               top.m_hWnd, nullptr));
    TestDialog dialog(&child);
    HWND owner = nullptr;
    bool topEnabledDuring = true;
    dialog.onInit = [&](TestDialog& d) {
        owner = GetWindow(d.m_hWnd, GW_OWNER);
        topEnabledDuring = IsWindowEnabled(top.m_hWnd) != FALSE;
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(owner, top.m_hWnd);
    EXPECT_FALSE(topEnabledDuring);
    EXPECT_TRUE(IsWindowEnabled(top.m_hWnd));

    // A window without an object (as the launcher's window is to a game process) is
    // wrapped, not taken over, and can own a dialog.
    HWND plain = CreateWindowExW(0, L"STATIC", L"plain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const LONG_PTR procBefore = GetWindowLongPtrW(plain, GWLP_WNDPROC);
    CWnd* wrapped = CWnd::FromHandle(plain);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_TRUE(wrapped->IsTemporary());
    EXPECT_EQ(CWnd::FromHandle(plain), wrapped);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(plain, GWLP_WNDPROC), procBefore);
    EXPECT_EQ(CWnd::FromHandle(top.m_hWnd), &top);
    TestDialog owned(wrapped);
    owned.onInit = [&](TestDialog& d) {
        owner = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(owned.DoModal(), IDOK);
    EXPECT_EQ(owner, plain);
    DestroyWindow(plain);
    top.DestroyWindow();
}

TEST(Dialog, AnObjectDestroyedWhileItsWindowLivesTakesTheWindowWithIt) {
    auto dialog = std::make_unique<TestDialog>();
    ASSERT_TRUE(dialog->Create(100));
    ShowWindow(dialog->m_hWnd, SW_SHOW);
    const HWND hwnd = dialog->m_hWnd;
    const HWND edit = dialog->edit.m_hWnd;
    ASSERT_TRUE(IsWindow(edit));
    dialog.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);  // nothing left aimed at it
}

TEST(Wnd, AWindowSubclassedAfterUsKeepsItsOwnBehaviourWhenOurObjectGoesFirst) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    static WNDPROC below = nullptr;
    static int thirdPartyCalls = 0;
    auto thirdParty = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        ++thirdPartyCalls;
        return CallWindowProcW(below, hwnd, msg, wParam, lParam);
    };
    {
        RecordingEdit object;
        ASSERT_TRUE(object.SubclassWindow(edit));
        below = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+thirdParty)));
        SendMessageW(edit, kProbeMsg, 0, 0);
        EXPECT_EQ(object.probes, 1);
    }
    // The edit control still answers its own messages (the default procedure would say 0).
    SendMessageW(edit, EM_SETLIMITTEXT, 77, 0);
    EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 77);
    EXPECT_GT(thirdPartyCalls, 0);

    // A new object can take the window again without looping through its own procedure.
    RecordingEdit again;
    ASSERT_TRUE(again.SubclassWindow(edit));
    SendMessageW(edit, kProbeMsg, 0, 0);
    EXPECT_EQ(again.probes, 1);
    EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 77);
    DestroyWindow(edit);
    EXPECT_EQ(again.m_hWnd, nullptr);
}
