// Shows the skinned windows one scene at a time, for screenshots under Xvfb
// (scripts/skin-screenshots.sh). Every scene closes itself after the given seconds.
//
//   vorn_skin_gallery SCENE [SECONDS]
//   scenes: msg0 msg1 msg4 (one line), msg0-3 msg1-3 msg4-3 (three lines),
//           dialog, dialog-max, buttons
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "framework/WinApp.h"
#include "hotkeys/SettingDlg.h"
#include "skin/DlgEx.h"
#include "skin/ImgProgress.h"
#include "skin/MessageBox.h"
#include "skin/SkinImage.h"
#include "skin/StaticEx.h"

namespace {

constexpr wchar_t kTitle[] = L"Vorn - Mirelund";

HBITMAP Picture(UINT id) { return LoadSkinBitmap(GetModuleHandleW(nullptr), id); }

// Closes whatever window of this process carries the title once the time is up.
void CloseLater(int seconds, const wchar_t* title) {
    std::thread([seconds, title] {
        Sleep(static_cast<DWORD>(seconds) * 1000);
        HWND hwnd = FindWindowW(L"#32770", title);
        if (hwnd != nullptr) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }).detach();
}

class GalleryDialog : public CDlgEx {
public:
    explicit GalleryDialog(bool buttons, bool maximize) : CDlgEx(200), m_buttons(buttons), m_maximize(maximize) {}

protected:
    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        UseBoxCaptionLayout();
        m_bResizable = !m_buttons;
        SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL,
                     reinterpret_cast<LPARAM>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(155), IMAGE_ICON,
                                                         16, 16, 0)));
        MoveWindow(m_hWnd, 120, 90, m_buttons ? 560 : 640, m_buttons ? 300 : 400, FALSE);
        HBITMAP close = Picture(132), minimize = Picture(136);
        if (m_buttons) {
            SetSkin(Picture(131), 0, 1, close, nullptr, nullptr, nullptr);
        } else {
            SetSkin(Picture(134), 0, 1, close, minimize, Picture(135), Picture(137));
        }
        DeleteObject(close);
        DeleteObject(minimize);
        SetTitle(kTitle);
        for (int id : {1001, 1002, 1003, 1004}) ShowWindow(GetDlgItem(m_hWnd, id), m_buttons ? SW_HIDE : SW_SHOW);
        if (m_buttons) {
            ShowStrips();
        } else {
            ShowControls();
        }
        if (m_maximize) ToggleMaximize();
        return TRUE;
    }

    void OnCancel() override { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_ERASEBKGND && m_buttons && PaintSkin(reinterpret_cast<HDC>(wParam))) {
            // The caption-band buttons sit on a band of the caption's colour, as in the windows.
            RECT client{};
            GetClientRect(m_hWnd, &client);
            RECT band{4, 30, client.right - 4, 186};
            HBRUSH caption = CreateSolidBrush(RGB(31, 88, 165));
            FillRect(reinterpret_cast<HDC>(wParam), &band, caption);
            DeleteObject(caption);
            return TRUE;
        }
        return CDlgEx::WindowProc(msg, wParam, lParam);
    }

private:
    // Each strip in its four states: normal, hover, pressed, disabled.
    void ShowStrips() {
        struct Row {
            UINT id;
            int frames;
            const wchar_t* caption;
            int y;
        };
        const Row rows[] = {{132, 4, L"", 36},  {135, 4, L"", 36},     {136, 4, L"", 36},  {137, 4, L"", 76},
                            {138, 4, L"", 76},  {139, 4, L"系统", 76},  {148, 4, L"", 112}, {149, 4, L"", 112},
                            {144, 4, L"", 112}, {145, 4, L"", 150},    {133, 4, L"确定", 205}};
        int x = 16, lastY = -1;
        for (const Row& row : rows) {
            if (row.y != lastY) x = 16;
            lastY = row.y;
            HBITMAP strip = Picture(row.id);
            BITMAP info{};
            GetObjectW(strip, sizeof info, &info);
            const int w = info.bmWidth / row.frames, h = info.bmHeight;
            for (int state = 0; state < 4; ++state) {
                auto* button = new CBtnEx;  // lives as long as the gallery
                m_keep.push_back(button);
                button->Create(row.caption, WS_CHILD | WS_VISIBLE, RECT{x, row.y, x + w, row.y + h}, this,
                               3000 + static_cast<UINT>(m_keep.size()));
                button->SetBitmap(strip, 1);
                button->m_strText = row.caption;
                button->m_crText = row.id == 139 ? RGB(255, 255, 255) : RGB(0, 0, 0);
                SendMessageW(button->m_hWnd, WM_SETFONT, SendMessageW(m_hWnd, WM_GETFONT, 0, 0), FALSE);
                if (state == 1) button->m_bHover = 1;
                if (state == 2) button->m_bPressedLook = 1;
                if (state == 3) EnableWindow(button->m_hWnd, FALSE);
                x += w + 6;
            }
            x += 14;
            DeleteObject(strip);
        }
    }

    void ShowControls() {
        m_button.SubclassDlgItem(1001, this);
        HBITMAP strip = Picture(133);
        m_button.SetBitmap(strip, 1);
        DeleteObject(strip);
        m_button.m_strText = L"开始游戏";
        m_link.SubclassDlgItem(1002, this);
        m_link.m_strText = L"登录其他账号";
        m_link.m_crText = RGB(0, 90, 190);
        m_link.m_bUnderline = 1;
        m_link.m_bHandCursor = 1;
        HBITMAP link = Picture(142);
        m_link.SetImage(link);
        DeleteObject(link);
        m_progress.SubclassDlgItem(1003, this);
        m_progress.SetImages(Picture(152), Picture(153));
        m_progress.SetRange32(0, 100);
        m_progress.SetPos(60);
        // A notice-like text: wraps by width and shows "&" as written.
        m_notice.SubclassDlgItem(1004, this);
        m_notice.m_strText = L"R&D 公告：本周六 10:00 至 12:00 停服维护，届时无法登录游戏，敬请谅解。";
    }

    bool m_buttons, m_maximize;
    std::vector<CBtnEx*> m_keep;
    CBtnEx m_button;
    CStaticEx m_link;
    CStaticEx m_notice;
    CImgProgress m_progress;
};

class GalleryApp : public CWinApp {
public:
    BOOL InitInstance() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        const std::wstring scene = __argc > 1 ? __wargv[1] : L"msg4";
        const int seconds = __argc > 2 ? std::max(1, _wtoi(__wargv[2])) : 5;
        CloseLater(seconds, scene == L"settings" ? L"设置" : kTitle);
        if (scene == L"settings") {
            CSettingDlg settings;
            settings.DoModal();
        } else if (scene.rfind(L"msg", 0) == 0) {
            const int type = _wtoi(scene.c_str() + 3);
            const bool three = scene.size() > 4 && scene.substr(4) == L"-3";
            const wchar_t* text = three ? L"缓存已清除完毕，游戏需要重新登录。\n您的热键设置已保存。\n请重新启动登录器以使更改生效！"
                                        : L"确定要移除 VornMirelund登录器吗？";
            ShowMessage(type, kTitle, text, nullptr);
        } else {
            GalleryDialog dialog(scene == L"buttons", scene == L"dialog-max");
            dialog.DoModal();
        }
        return FALSE;
    }
};

GalleryApp g_app;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) { return AfxWinMain(instance, show); }
