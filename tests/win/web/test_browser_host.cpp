// The browser host core with the real control under Wine: OLE start and end, navigation
// events with exact addresses and cancelling, requests that do or do not reach a server,
// teardown from inside an event, and the events Wine never fires driven through the sink.
#include <gtest/gtest.h>

#include <exdispid.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BrowserEvents.h"
#include "LoopbackListener.h"
#include "framework/BrowserHost.h"
#include "framework/OleInit.h"
#include "framework/Wnd.h"

namespace {

bool OleIsInitialisedOnThisThread() {
    // A second initialisation of an initialised apartment answers S_FALSE.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr == S_FALSE;
}

class RecordingOwner : public CBrowserHostOwner {
public:
    std::vector<std::wstring> before, completed, documents, errors, titles;
    std::vector<bool> topLevel;
    bool cancelEverything = false;
    bool cancelApp = true;
    CBrowserHost* destroyInBefore = nullptr;
    CBrowserHost* host = nullptr;

    void OnBrowserBeforeNavigate2(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                  VARIANT_BOOL* cancel) override {
        const std::wstring text = BrowserVariantText(url);
        before.push_back(text);
        if (cancelEverything || (cancelApp && text.rfind(L"app:", 0) == 0)) *cancel = VARIANT_TRUE;
        if (destroyInBefore != nullptr) destroyInBefore->Destroy();
    }
    void OnBrowserNavigateComplete2(IDispatch* disp, VARIANT* url) override {
        completed.push_back(BrowserVariantText(url));
        topLevel.push_back(host != nullptr && host->IsTopLevel(disp));
    }
    void OnBrowserDocumentComplete(IDispatch*, VARIANT* url) override { documents.push_back(BrowserVariantText(url)); }
    void OnBrowserNavigateError(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT_BOOL* cancel) override {
        errors.push_back(BrowserVariantText(url));
        *cancel = VARIANT_TRUE;
    }
    void OnBrowserTitleChange(const wchar_t* title) override { titles.push_back(title); }
};

class BrowserHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(AfxOleInit());
        RECT rect{100, 100, 500, 400};
        ASSERT_TRUE(window.CreateEx(0, AfxPlainWindowClass(), L"host", WS_OVERLAPPEDWINDOW, rect, nullptr, nullptr));
        owner.host = &host;
        RECT client{0, 0, 400, 300};
        ASSERT_HRESULT_SUCCEEDED(host.Create(&owner, window.m_hWnd, client));
    }
    void TearDown() override {
        host.Destroy();
        window.DestroyWindow();
    }

    CWnd window;
    RecordingOwner owner;
    CBrowserHost host;
};

}  // namespace

TEST(Ole, StartsASingleThreadedApartmentAndFailsInAMultiThreadedOne) {
    std::thread([] {
        EXPECT_FALSE(AfxOleIsInitialized());
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_FALSE(AfxOleInit());
        EXPECT_FALSE(AfxOleIsInitialized());
        CoUninitialize();

        ASSERT_TRUE(AfxOleInit());
        APTTYPE type{};
        APTTYPEQUALIFIER qualifier{};
        ASSERT_HRESULT_SUCCEEDED(CoGetApartmentType(&type, &qualifier));
        EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA);
        AfxOleTerm();
        EXPECT_FALSE(OleIsInitialisedOnThisThread());
    }).join();
}

TEST(Ole, EndsOnlyAfterTheLastBrowserIsGone) {
    std::thread([] {
        ASSERT_TRUE(AfxOleInit());
        CWnd window;
        RECT rect{0, 0, 200, 200};
        ASSERT_TRUE(window.CreateEx(0, AfxPlainWindowClass(), L"ole", WS_OVERLAPPEDWINDOW, rect, nullptr, nullptr));
        RecordingOwner owner;
        {
            CBrowserHost host;
            ASSERT_HRESULT_SUCCEEDED(host.Create(&owner, window.m_hWnd, RECT{0, 0, 200, 200}));
            AfxOleTerm();
            EXPECT_TRUE(OleIsInitialisedOnThisThread());
        }
        EXPECT_FALSE(OleIsInitialisedOnThisThread());
        window.DestroyWindow();
    }).join();
}

TEST_F(BrowserHostTest, AppAddressesArriveExactlyAndCancelledOnesRequestNothing) {
    LoopbackListener server;
    // The escapes and the bars of a page command arrive as the page wrote them.
    const std::wstring command = L"app://loadgame|S1%E6%9C%8D-2-abc|" + server.Url(L"/game/play.htm?server=1");
    ASSERT_HRESULT_SUCCEEDED(host.Navigate(command.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return !owner.before.empty(); }));
    EXPECT_EQ(owner.before[0], command);

    // An ordinary address is requested; by then the cancelled one would have been too.
    const std::wstring page = server.Url(L"/act/wd/main/index/277");
    ASSERT_HRESULT_SUCCEEDED(host.Navigate(page.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return !server.requests().empty(); }));
    ASSERT_TRUE(PumpUntil([&] { return !owner.errors.empty(); }));
    EXPECT_EQ(owner.before.back(), page);
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "GET /act/wd/main/index/277 HTTP/1.1");
    EXPECT_EQ(owner.errors[0], page);
}

TEST_F(BrowserHostTest, ANavigationCancelledInBeforeNavigateIsNotRequested) {
    LoopbackListener server;
    owner.cancelEverything = true;
    const std::wstring page = server.Url(L"/never");
    ASSERT_HRESULT_SUCCEEDED(host.Navigate(page.c_str()));
    ASSERT_TRUE(PumpUntil([&] { return !owner.before.empty(); }));
    PumpUntil([] { return false; }, 700);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(owner.errors.empty());
}

TEST_F(BrowserHostTest, TheHostEndedInsideBeforeNavigateSurvivesAndHearsNothingMore) {
    owner.destroyInBefore = &host;
    ASSERT_HRESULT_SUCCEEDED(host.Navigate(L"app://exitgame"));
    ASSERT_TRUE(PumpUntil([&] { return !owner.before.empty(); }));
    EXPECT_FALSE(host.IsCreated());
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(owner.before.size(), 1u);
    EXPECT_TRUE(owner.errors.empty());
}

TEST_F(BrowserHostTest, DrivenEventsReachTheOwnerWithTheTopLevelTest) {
    IWebBrowser2* browser = host.GetBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_HRESULT_SUCCEEDED(FireNavigateComplete2(host, browser, L"http://127.0.0.1/a.htm"));
    // A frame of the page is another object.
    CWnd other;
    CBrowserHost frameHost;
    RecordingOwner frameOwner;
    ASSERT_TRUE(other.CreateEx(0, AfxPlainWindowClass(), L"frame", WS_OVERLAPPEDWINDOW, RECT{0, 0, 50, 50}, nullptr,
                               nullptr));
    ASSERT_HRESULT_SUCCEEDED(frameHost.Create(&frameOwner, other.m_hWnd, RECT{0, 0, 50, 50}));
    EXPECT_HRESULT_SUCCEEDED(FireNavigateComplete2(host, frameHost.GetBrowser(), L"http://127.0.0.1/frame.htm"));
    EXPECT_HRESULT_SUCCEEDED(FireDocumentComplete(host, browser, L"http://127.0.0.1/a.htm"));
    EXPECT_HRESULT_SUCCEEDED(FireTitleChange(host, L"游戏 Mirelund"));
    frameHost.Destroy();
    other.DestroyWindow();

    EXPECT_EQ(owner.completed, (std::vector<std::wstring>{L"http://127.0.0.1/a.htm", L"http://127.0.0.1/frame.htm"}));
    EXPECT_EQ(owner.topLevel, (std::vector<bool>{true, false}));
    EXPECT_EQ(owner.documents, std::vector<std::wstring>{L"http://127.0.0.1/a.htm"});
    EXPECT_EQ(owner.titles, std::vector<std::wstring>{L"游戏 Mirelund"});
}

TEST_F(BrowserHostTest, MalformedEventsAreRefusedOrIgnoredSafely) {
    IDispatch* sink = host.GetEventSink();
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    // Too few arguments, and arguments of the wrong kinds: nothing is read out of bounds,
    // and a missing cancel flag is not written through.
    VARIANTARG one;
    VariantInit(&one);
    one.vt = VT_I4;
    one.lVal = 7;
    DISPPARAMS shortParams{&one, nullptr, 1, 0};
    EXPECT_HRESULT_SUCCEEDED(
        sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &shortParams, nullptr, nullptr, nullptr));
    VARIANTARG seven[7];
    for (VARIANTARG& v : seven) {
        VariantInit(&v);
        v.vt = VT_I4;
    }
    DISPPARAMS wrongKinds{seven, nullptr, 7, 0};
    EXPECT_HRESULT_SUCCEEDED(
        sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &wrongKinds, nullptr, nullptr, nullptr));
    EXPECT_EQ(owner.before, (std::vector<std::wstring>{L"", L""}));
    EXPECT_EQ(sink->Invoke(12345, IID_NULL, 0, DISPATCH_METHOD, &shortParams, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST_F(BrowserHostTest, TheControlFillsTheGivenRectangleAndFollowsIt) {
    HWND control = host.GetControlWindow();
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(IsChild(window.m_hWnd, control));
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    host.SetRect(RECT{10, 20, 110, 70});
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right - rect.left, 100);
    EXPECT_EQ(rect.bottom - rect.top, 50);
}
