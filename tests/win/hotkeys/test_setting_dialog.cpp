// The settings dialog run modally, driven by posted keys: capture, save, the reload
// broadcast, and a file that cannot be written.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/BuildSettings.h"
#include "common/Locations.h"
#include "common/Settings.h"
#include "hotkeys/SettingDlg.h"

using namespace vorn;

namespace {

constexpr UINT kStep = WM_APP + 70;

void SetKeyDown(int vk, bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[vk] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    return text;
}

// Runs one step per posted kStep message, so each step sees what the keys before it did.
class ScriptedSettingDlg : public CSettingDlg {
public:
    std::vector<std::function<void(ScriptedSettingDlg&)>> steps;
    size_t next = 0;
    void Continue() { PostMessageW(m_hWnd, kStep, 0, 0); }
    void Key(CEdit& box, int vk) {
        SetFocus(box.m_hWnd);
        PostMessageW(box.m_hWnd, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    }

protected:
    BOOL OnInitDialog() override {
        CSettingDlg::OnInitDialog();
        Continue();
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kStep) {
            if (next < steps.size()) steps[next++](*this);
            return 0;
        }
        return CSettingDlg::WindowProc(msg, wParam, lParam);
    }
};

class SettingDialog : public testing::Test {
protected:
    void SetUp() override {
        ini_ = LocalIniPath();
        DeleteFileW(ini_.c_str());
        WritePrivateProfileStringW(settings::kIniSection, settings::kKeySoundKey, L"4,65", ini_.c_str());
        launcher_ = CreateWindowExW(0, L"#32770", vorn::build::kWindowTitle, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(launcher_);
        RemoveDirectoryW(ini_.c_str());
        DeleteFileW(ini_.c_str());
    }
    std::wstring Stored(const wchar_t* key) const {
        wchar_t text[32] = {};
        GetPrivateProfileStringW(settings::kIniSection, key, L"<none>", text, 32, ini_.c_str());
        return text;
    }
    bool ReloadPosted() {
        MSG msg;
        return PeekMessageW(&msg, launcher_, WM_USER + 4, WM_USER + 4, PM_REMOVE) != FALSE;
    }
    std::wstring ini_;
    HWND launcher_ = nullptr;
};

}  // namespace

TEST_F(SettingDialog, CapturesKeysKeepsUnfinishedOnesSavesAndTellsTheLaunchers) {
    ScriptedSettingDlg dialog;
    std::wstring shownAtStart, boss, sound, sw;
    dialog.steps = {
        [&](ScriptedSettingDlg& d) {
            shownAtStart = TextOf(d.m_edtSoundKey);
            SetKeyDown(VK_CONTROL, true);
            d.Key(d.m_edtBossKey, 'T');
            d.Key(d.m_edtBossKey, VK_RETURN);  // must not close the dialog
            d.Continue();
        },
        [&](ScriptedSettingDlg& d) {
            d.Key(d.m_edtSoundKey, VK_CONTROL);
            d.Continue();
        },
        [&](ScriptedSettingDlg& d) {
            SetKeyDown(VK_CONTROL, false);
            d.Key(d.m_edtSwitchKey, VK_BACK);
            d.Key(d.m_edtSwitchKey, VK_ESCAPE);  // nor this
            d.Continue();
        },
        [&](ScriptedSettingDlg& d) {
            boss = TextOf(d.m_edtBossKey);
            sound = TextOf(d.m_edtSoundKey);
            sw = TextOf(d.m_edtSwitchKey);
            PostMessageW(d.m_hWnd, WM_COMMAND, IDOK, 0);
        },
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.next, 4u);
    EXPECT_EQ(shownAtStart, L"Shift  +  A");  // what the file held
    EXPECT_EQ(boss, L"Ctrl  +  T");
    EXPECT_EQ(sound, L"Ctrl  +  ");
    EXPECT_EQ(sw, L"无");
    EXPECT_EQ(Stored(settings::kKeyBossKey), L"2,84");
    EXPECT_EQ(Stored(settings::kKeySwitchKey), L"0,0");
    EXPECT_EQ(Stored(settings::kKeySoundKey), L"4,65");  // the unfinished entry kept the stored key
    EXPECT_TRUE(ReloadPosted());
}

TEST_F(SettingDialog, AFileThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
    // A folder where the file should be: nothing can be written (a read-only file would
    // not do, Wine lets the superuser write it).
    DeleteFileW(ini_.c_str());
    ASSERT_TRUE(CreateDirectoryW(ini_.c_str(), nullptr));
    ScriptedSettingDlg dialog;
    HWND box = nullptr;
    bool openAfterBox = false;
    dialog.steps = {
        [&](ScriptedSettingDlg& d) {
            d.Key(d.m_edtBossKey, VK_F9);
            PostMessageW(d.m_hWnd, WM_COMMAND, IDOK, 0);
            d.Continue();  // runs inside the message box's loop
        },
        [&](ScriptedSettingDlg& d) {
            for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
                wchar_t className[16] = {};
                GetClassNameW(w, className, 16);
                if (GetWindow(w, GW_OWNER) == d.m_hWnd && lstrcmpW(className, L"#32770") == 0) box = w;
            }
            if (box != nullptr) PostMessageW(box, WM_CLOSE, 0, 0);
            d.Continue();
        },
        [&](ScriptedSettingDlg& d) {
            openAfterBox = IsWindow(d.m_hWnd) && IsWindowEnabled(d.m_hWnd);  // not ended, box gone
            PostMessageW(d.m_hWnd, WM_COMMAND, IDCANCEL, 0);
        },
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_NE(box, nullptr);  // a box owned by the dialog said so
    EXPECT_TRUE(openAfterBox);
    EXPECT_FALSE(ReloadPosted());
}
