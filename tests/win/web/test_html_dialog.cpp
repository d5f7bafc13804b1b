// The HTML dialog base with the real control: host flags, context menu, the show-UI
// routing of its site, page events connected on the top-level navigation and matched on
// the source element, the button sprite with its capture rules, and dragging.
#include <gtest/gtest.h>

#include <exdispid.h>

#include <vector>

#include "BrowserEvents.h"
#include "FakeDom.h"
#include "framework/OleInit.h"
#include "resource.h"
#include "web/DHtmDlgEx.h"
#include "web/MyBrowserControlSite.h"

namespace {

class TestHtmlDialog : public CDHtmDlgEx {
public:
    TestHtmlDialog() : CDHtmDlgEx(IDD_LOGIN) { document->Release(); }
    ComPtr<FakeDocument> document{new FakeDocument};
    std::vector<std::wstring> messages;
    HRESULT messageAnswer = S_FALSE;
    std::vector<UINT> ncMessages;

    HRESULT GetDHtmlDocument(IDispatch** out) override {
        *out = static_cast<IDispatch*>(static_cast<FakeObject*>(document.Get()));
        (*out)->AddRef();
        return S_OK;
    }
    HRESULT OnShowMessage(HWND, LPOLESTR text, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) override {
        messages.push_back(text);
        return messageAnswer;
    }
    using CDHtmDlgEx::OnOK;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        // The system's caption drag would run its own loop; record the request instead.
        if ((msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONUP || msg == WM_NCMOUSEMOVE) && wParam == HTCAPTION) {
            ncMessages.push_back(msg);
            return 0;
        }
        return CDHtmDlgEx::WindowProc(msg, wParam, lParam);
    }
};

class HtmlDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AfxOleInit());
        ASSERT_TRUE(dialog.Create(IDD_LOGIN));
        ASSERT_NE(dialog.GetBrowser(), nullptr);
        document = dialog.document.Get();
    }
    void TearDown() override {
        ReleaseCapture();
        dialog.DestroyWindow();
    }
    void CompleteTopLevel() {
        ASSERT_HRESULT_SUCCEEDED(FireNavigateComplete2(dialog.GetBrowserHost(), dialog.GetBrowser(), L"http://h/p"));
    }
    // The page's result for an event: false (VT_BOOL 0) when a handler ran.
    static bool ReturnedFalse(const VARIANT& result) { return result.vt == VT_BOOL && result.boolVal == VARIANT_FALSE; }

    TestHtmlDialog dialog;
    FakeDocument* document = nullptr;
};

}  // namespace

TEST_F(HtmlDialogTest, TheBrowserIsTheFirstChildWithTheDialogHostFlagsAndNoMenu) {
    HWND first = FindWindowExW(dialog.m_hWnd, nullptr, nullptr, nullptr);
    EXPECT_EQ(first, dialog.GetBrowserHostWindow());
    EXPECT_EQ(GetDlgCtrlID(first), 102);

    ComPtr<IDocHostUIHandler> handler;
    ASSERT_HRESULT_SUCCEEDED(
        dialog.GetBrowserHost().GetSite()->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler)));
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    ASSERT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0xDu);
    POINT point{1, 1};
    EXPECT_EQ(handler->ShowContextMenu(0, &point, nullptr, nullptr), S_OK);

    // Enter in the page does not end the dialog.
    dialog.OnOK();
    EXPECT_TRUE(IsWindow(dialog.m_hWnd));
}

TEST_F(HtmlDialogTest, ThePagesMessageBoxesGoToTheDialogThroughEitherPartOfTheSite) {
    CBrowserControlSite* site = dialog.GetBrowserHost().GetSite();
    ComPtr<IDocHostShowUI> showUi;
    ASSERT_HRESULT_SUCCEEDED(site->QueryInterface(__uuidof(IDocHostShowUI), reinterpret_cast<void**>(&showUi)));
    ComPtr<IDocHostUIHandler> handler;
    ASSERT_HRESULT_SUCCEEDED(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler)));
    ComPtr<IDocHostShowUI> viaHandler;
    ASSERT_HRESULT_SUCCEEDED(handler->QueryInterface(__uuidof(IDocHostShowUI), reinterpret_cast<void**>(&viaHandler)));
    EXPECT_EQ(viaHandler.Get(), showUi.Get());

    LRESULT result = 0;
    wchar_t text[] = L"脚本的提示";
    wchar_t caption[] = L"来自网页的消息";
    EXPECT_EQ(showUi->ShowMessage(dialog.m_hWnd, text, caption, MB_OK, nullptr, 0, &result), S_FALSE);
    dialog.messageAnswer = S_OK;
    EXPECT_EQ(viaHandler->ShowMessage(dialog.m_hWnd, text, caption, MB_OK, nullptr, 0, &result), S_OK);
    EXPECT_EQ(dialog.messages, (std::vector<std::wstring>{L"脚本的提示", L"脚本的提示"}));

    // A site whose owner is not such a dialog suppresses the box.
    CBrowserHostOwner plainOwner;
    auto* plainSite = new CMyBrowserControlSite(&plainOwner);
    ComPtr<IDocHostShowUI> plainShowUi;
    ASSERT_HRESULT_SUCCEEDED(plainSite->QueryInterface(__uuidof(IDocHostShowUI), reinterpret_cast<void**>(&plainShowUi)));
    EXPECT_EQ(plainShowUi->ShowMessage(nullptr, text, caption, MB_OK, nullptr, 0, &result), S_OK);
    EXPECT_EQ(plainShowUi->ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr), S_OK);
    plainShowUi.Release();
    plainSite->Release();
}

TEST_F(HtmlDialogTest, PageEventsAreConnectedOnTopLevelNavigationsOnly) {
    // A frame completing connects nothing.
    CWnd other;
    CBrowserHost frame;
    CBrowserHostOwner frameOwner;
    ASSERT_TRUE(other.CreateEx(0, AfxPlainWindowClass(), L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, nullptr));
    ASSERT_HRESULT_SUCCEEDED(frame.Create(&frameOwner, other.m_hWnd, RECT{0, 0, 10, 10}));
    FireNavigateComplete2(dialog.GetBrowserHost(), frame.GetBrowser(), L"http://h/frame");
    frame.Destroy();
    other.DestroyWindow();
    EXPECT_EQ(document->advises, 0);

    CompleteTopLevel();
    EXPECT_EQ(document->advises, 1);
    EXPECT_EQ(document->body->PutText(DISPID_IHTMLBODYELEMENT_SCROLL), L"auto");
    // Each completed page connects anew, once.
    CompleteTopLevel();
    EXPECT_EQ(document->advises, 2);
    EXPECT_EQ(document->unadvises, 1);
    dialog.DestroyWindow();
    EXPECT_EQ(document->unadvises, 2);
    EXPECT_FALSE(document->sink);
}

TEST_F(HtmlDialogTest, ButtonSpriteFollowsTheMouseWithTheCaptureRules) {
    CompleteTopLevel();
    ComPtr<FakeElement> ok(new FakeElement(L"DIV", L"button", RECT{10, 20, 90, 50}));
    ok->Release();
    ComPtr<FakeElement> other(new FakeElement(L"A", L"button", RECT{100, 20, 180, 50}));
    other->Release();
    ComPtr<FakeElement> disabled(new FakeElement(L"SPAN", L"button", RECT{200, 20, 280, 50}));
    disabled->Release();
    disabled->disabled = true;

    EXPECT_TRUE(ReturnedFalse(document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOVER, ok)));
    EXPECT_EQ(ok->BackgroundX(), -80);
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOUT, ok);
    EXPECT_EQ(ok->BackgroundX(), 0);

    // A disabled button shows neither hover nor press, and takes no capture.
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOVER, disabled);
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEDOWN, disabled);
    EXPECT_EQ(disabled->style->PutCount(), 0);
    EXPECT_NE(GetCapture(), dialog.m_hWnd);

    // Pressed: the pressed frame and the capture; moving over and off another button
    // changes nothing while the capture is held.
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEDOWN, ok);
    EXPECT_EQ(ok->BackgroundX(), -160);
    EXPECT_EQ(GetCapture(), dialog.m_hWnd);
    other->style->ForgetPuts();
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOVER, other);
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOUT, other);
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOUT, ok);
    EXPECT_EQ(other->style->PutCount(), 0);
    EXPECT_EQ(ok->BackgroundX(), -160);

    // Released inside (client point 89, 49 is the last pixel): hover look, one click.
    SendMessageW(dialog.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(89, 49));
    EXPECT_EQ(ok->Clicks(), 1);
    EXPECT_EQ(ok->BackgroundX(), -80);
    EXPECT_NE(GetCapture(), dialog.m_hWnd);
    EXPECT_FALSE(dialog.m_pPressedElement);

    // Pressed and released outside with the right button: no click, normal look.
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEDOWN, ok);
    SendMessageW(dialog.m_hWnd, WM_RBUTTONUP, 0, MAKELPARAM(90, 49));
    EXPECT_EQ(ok->Clicks(), 1);
    EXPECT_EQ(ok->BackgroundX(), 0);
    EXPECT_FALSE(dialog.m_pPressedElement);

    // The page's own mouse-up on a button: hover look and click.
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEUP, other);
    EXPECT_EQ(other->Clicks(), 1);
    EXPECT_EQ(other->BackgroundX(), -80);
}

TEST_F(HtmlDialogTest, OnlyTheSourceElementDecidesAndBackgroundsDragTheWindow) {
    CompleteTopLevel();
    ComPtr<FakeElement> twoClasses(new FakeElement(L"SPAN", L"button big", RECT{0, 0, 50, 50}));
    twoClasses->Release();
    ComPtr<FakeElement> cell(new FakeElement(L"TD", L""));
    cell->Release();
    ComPtr<FakeElement> body(new FakeElement(L"BODY", L""));
    body->Release();
    ComPtr<FakeElement> buttonDiv(new FakeElement(L"DIV", L"button", RECT{0, 0, 50, 50}));
    buttonDiv->Release();

    const VARIANT untouched = document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOVER, twoClasses);
    EXPECT_EQ(untouched.vt, VT_EMPTY);
    EXPECT_EQ(twoClasses->style->PutCount(), 0);

    EXPECT_TRUE(ReturnedFalse(document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEDOWN, cell)));
    EXPECT_TRUE(ReturnedFalse(document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEMOVE, body)));
    EXPECT_TRUE(ReturnedFalse(document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEUP, cell)));
    EXPECT_TRUE(ReturnedFalse(document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONCONTEXTMENU, body)));
    EXPECT_EQ(dialog.ncMessages, (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_NCMOUSEMOVE, WM_NCLBUTTONUP}));

    // A "button" that is also a div is a button: the first entry wins, no drag.
    document->Fire(DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEDOWN, buttonDiv);
    EXPECT_EQ(buttonDiv->BackgroundX(), -100);
    EXPECT_EQ(dialog.ncMessages.size(), 3u);
}
