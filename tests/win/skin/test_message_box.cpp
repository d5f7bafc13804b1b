#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "SkinTestSupport.h"
#include "skin/MessageBox.h"

namespace {

constexpr wchar_t kTitle[] = L"Vorn - Mirelund";

struct SeenBox {
    bool found = false;
    RECT window{};
    SIZE text{};                          // the message measured in the box's font
    std::map<int, RECT> buttons;          // client coordinates, by id
    std::map<int, std::wstring> captions;
};

// The box of this process only: a window of another program with the same title must not
// be answered in its place. The bound only ends a box that never shows; the first box of
// the process loads its pictures and fonts, which takes many seconds on a loaded machine.
HWND WaitForBox(DWORD timeoutMs = 120000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (HWND box = FindWindowW(L"#32770", kTitle); box != nullptr;
             box = FindWindowExW(nullptr, box, L"#32770", kTitle)) {
            DWORD process = 0;
            GetWindowThreadProcessId(box, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(box)) return box;
        }
        Sleep(20);
    }
    return nullptr;
}

// Shows a real box on this thread while another thread looks at it and answers it.
int RunBox(int type, const std::wstring& text, const std::function<void(HWND)>& answer, SeenBox* seen,
           HWND parent = nullptr) {
    const DWORD self = GetCurrentThreadId();
    // The thread's message queue exists before the watcher may post to it: a quit posted to
    // a thread without one is lost, and the box that shows later then waits for ever.
    MSG peek;
    PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE);
    std::atomic<bool> returned{false};
    std::thread watcher([&] {
        HWND box = WaitForBox();
        if (box == nullptr) {
            // Ends the modal loop; the test fails below.
            if (!PostThreadMessageW(self, WM_QUIT, 0, 0)) ADD_FAILURE() << "the box's thread cannot be told to end";
            return;
        }
        seen->found = true;
        GetWindowRect(box, &seen->window);
        HDC dc = GetDC(box);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(box, dc);
        seen->text = SIZE{r.right, r.bottom};
        for (int id : {5000, 5001, 50000}) {
            HWND item = GetDlgItem(box, id);
            if (item == nullptr) continue;
            RECT b{};
            GetWindowRect(item, &b);
            MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&b), 2);
            seen->buttons[id] = b;
            wchar_t caption[32] = {};
            GetWindowTextW(item, caption, 32);
            seen->captions[id] = caption;
        }
        answer(box);
        (void)returned;
    });
    const int result = ShowMessage(type, kTitle, text.c_str(), parent);
    returned = true;
    watcher.join();
    // Let the next box start from a clean queue.
    MSG msg;
    for (int i = 0; i < 100 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageW(&msg);
    return result;
}

std::function<void(HWND)> Click(int id) {
    return [id](HWND box) { SendMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0); };
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace

TEST(SkinMessageBox, YesNoQuestionAnswersSixSevenAndTwoForTheCloseButton) {
    SeenBox seen;
    EXPECT_EQ(RunBox(4, L"确定要移除吗？", Click(5000), &seen), IDYES);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.captions[5000], L"是");
    EXPECT_EQ(seen.captions[5001], L"否");
    EXPECT_EQ(RunBox(4, L"确定要移除吗？", Click(5001), &seen), IDNO);
    EXPECT_EQ(RunBox(4, L"确定要移除吗？", Click(50000), &seen), IDCANCEL);
}

TEST(SkinMessageBox, OkCancelAndOkBoxes) {
    SeenBox seen;
    EXPECT_EQ(RunBox(1, L"继续吗？", Click(5000), &seen), IDOK);
    EXPECT_EQ(seen.captions[5001], L"取消");
    EXPECT_EQ(RunBox(1, L"继续吗？", Click(5001), &seen), IDCANCEL);
    // Unknown types behave like a plain notice with one "确定".
    SeenBox odd;
    EXPECT_EQ(RunBox(3, L"x", Click(5000), &odd), IDOK);
    EXPECT_EQ(odd.captions.count(5001), 0u);
    EXPECT_EQ(odd.captions[5000], L"确定");
}

TEST(SkinMessageBox, EnterAndEscapeDoNothing) {
    SeenBox seen;
    bool stillThere = false;
    const int result = RunBox(4, L"按键不关闭", [&](HWND box) {
        for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
            PostMessageW(box, WM_KEYDOWN, key, 0);
            PostMessageW(box, WM_KEYUP, key, 0xC0000000);
        }
        Sleep(500);
        stillThere = IsWindowVisible(box) != FALSE;
        Click(5001)(box);
    }, &seen);
    EXPECT_TRUE(stillThere);
    EXPECT_EQ(result, IDNO);
}

TEST(SkinMessageBox, OneLineBoxIsSizedByItsButtons) {
    SeenBox seen;
    RunBox(0, L"好", Click(5000), &seen);
    ASSERT_TRUE(seen.found);
    // A short text: 2 x 57 + 60 wide, and 3 x lines + 90 + text height + button height high.
    EXPECT_EQ(Width(seen.window), 174);
    EXPECT_EQ(Height(seen.window), 3 + 90 + seen.text.cy + 23);
    const int h = Height(seen.window);
    EXPECT_EQ(seen.buttons[5000].left, (174 - 57) / 2);
    EXPECT_EQ(seen.buttons[5000].top, h - 30 - 23);
    EXPECT_EQ(Width(seen.buttons[5000]), 57);
    EXPECT_EQ(Height(seen.buttons[5000]), 23);
    // The close button sits flush in the top right corner.
    EXPECT_EQ(seen.buttons[50000].right, 174);
    EXPECT_EQ(seen.buttons[50000].top, 0);
}

TEST(SkinMessageBox, ALongThreeLineBoxIsSizedByItsText) {
    SeenBox seen;
    const std::wstring text = L"第一行比较长的一段说明文字，用来撑开窗口\n第二行\n第三行";
    RunBox(4, text, Click(5001), &seen);
    ASSERT_TRUE(seen.found);
    ASSERT_GT(seen.text.cx, 174);
    EXPECT_EQ(Width(seen.window), seen.text.cx + 60);
    EXPECT_EQ(Height(seen.window), 9 + 90 + seen.text.cy + 23);
    const int w = Width(seen.window), h = Height(seen.window);
    EXPECT_EQ(seen.buttons[5000].right, w / 2 - 10);
    EXPECT_EQ(seen.buttons[5001].left, w / 2 + 10);
    EXPECT_EQ(seen.buttons[5001].bottom, h - 30);
}

TEST(SkinMessageBox, CentredOnTheWorkAreaOrOnItsOwner) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SeenBox seen;
    RunBox(0, L"居中", Click(5000), &seen);
    EXPECT_NEAR((seen.window.left + seen.window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((seen.window.top + seen.window.bottom) / 2, (work.top + work.bottom) / 2, 1);

    GreenParent owner;
    MoveWindow(owner.m_hWnd, 40, 60, 400, 300, TRUE);
    SeenBox owned;
    RunBox(0, L"居中", [&](HWND box) {
        EXPECT_FALSE(IsWindowEnabled(owner.m_hWnd));  // modal to its owner
        EXPECT_EQ(GetWindow(box, GW_OWNER), owner.m_hWnd);
        Click(5000)(box);
    }, &owned, owner.m_hWnd);
    EXPECT_NEAR((owned.window.left + owned.window.right) / 2, 240, 1);
    EXPECT_NEAR((owned.window.top + owned.window.bottom) / 2, 210, 1);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
}
