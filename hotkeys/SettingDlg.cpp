#include "hotkeys/SettingDlg.h"

#include <string>
#include <vector>

#include "common/BuildSettings.h"
#include "common/GameMessages.h"
#include "common/Settings.h"
#include "common/WideText.h"
#include "hotkeys/HotKeys.h"
#include "hotkeys/SettingRules.h"
#include "res/resource.h"
#include "skin/MessageBox.h"
#include "skin/SkinImage.h"

namespace {

constexpr UINT kSettingTemplate = 158;
constexpr int kBossBox = 1007, kSwitchBox = 1010, kSoundBox = 1014;
constexpr int kGroupIds[] = {1012, 1013, 1017};
constexpr COLORREF kGroupColour = 0xF7F1E7;
constexpr int kMaxLaunchers = 10;

// The dialog open in this process, whose key boxes take every key as a setting.
const CSettingDlg* g_keyDialog = nullptr;

bool IsGroupBox(HWND control) {
    const int id = GetDlgCtrlID(control);
    for (int group : kGroupIds) {
        if (id == group) return true;
    }
    return false;
}

}  // namespace

CSettingDlg::CSettingDlg(CWnd* pParent) : CDlgEx(kSettingTemplate, pParent) {}

CSettingDlg::~CSettingDlg() {
    if (g_keyDialog == this) g_keyDialog = nullptr;
}

bool CSettingDlg::IsKeyBox(HWND window) const {
    return window != nullptr &&
           (window == m_edtBossKey.m_hWnd || window == m_edtSwitchKey.m_hWnd || window == m_edtSoundKey.m_hWnd);
}

void CSettingDlg::DoDataExchange(CDataExchange* dx) {
    CDlgEx::DoDataExchange(dx);
    DDX_Control(dx, kBossBox, m_edtBossKey);
    DDX_Control(dx, kSwitchBox, m_edtSwitchKey);
    DDX_Control(dx, kSoundBox, m_edtSoundKey);
    DDX_Control(dx, 1006, m_stcBossLabel);
    DDX_Control(dx, 1008, m_stcBossExample);
    DDX_Control(dx, 1009, m_stcSwitchLabel);
    DDX_Control(dx, 1011, m_stcSwitchExample);
    DDX_Control(dx, 1016, m_stcSoundLabel);
    DDX_Control(dx, 1015, m_stcSoundExample);
    DDX_Control(dx, IDOK, m_btnOK);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
}

BOOL CSettingDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseBoxCaptionLayout();
    SetTitle(L"设置");
    HINSTANCE module = AfxGetInstanceHandle();
    const CBitmap close = LoadSkinPicture(module, IDB_PNG_CLOSE);  // copied by SetSkin
    SetSkin(LoadSkinPicture(module, IDB_PNG_DIALOG_BACK).Detach(), 0, 1, close, nullptr, nullptr, nullptr);
    const CBitmap strip = LoadSkinPicture(module, IDB_PNG_BUTTON);  // each button keeps a copy
    for (CBtnEx* button : {&m_btnOK, &m_btnCancel}) button->SetBitmap(strip, 1);
    g_keyDialog = this;

    struct Row {
        const wchar_t* key;
        const wchar_t* fallback;
        int* code;
        CEdit* box;
    };
    const Row rows[] = {{vorn::settings::kKeyBossKey, vorn::settings::kKeyBossKeyDefault, &m_nBossKey, &m_edtBossKey},
                        {vorn::settings::kKeySwitchKey, vorn::settings::kKeySwitchKeyDefault, &m_nSwitchKey,
                         &m_edtSwitchKey},
                        {vorn::settings::kKeySoundKey, vorn::settings::kKeySoundKeyDefault, &m_nSoundKey,
                         &m_edtSoundKey}};
    for (const Row& row : rows) {
        int modifiers = 0;
        vorn::ReadHotKey(row.key, row.fallback, row.code, &modifiers);
        SetWindowTextW(*row.box, vorn::FormatHotKey(*row.code, modifiers).c_str());
    }
    return TRUE;
}

BOOL CSettingDlg::PreTranslateMessage(MSG* msg) {
    const bool keyDown = msg->message == WM_KEYDOWN ||
                         (msg->message == WM_SYSKEYDOWN && (msg->wParam == VK_F10 || msg->wParam == VK_MENU));
    if (!keyDown) return CDlgEx::PreTranslateMessage(msg);
    const int vk = static_cast<int>(msg->wParam);
    // Neither Enter nor Esc closes the dialog: only its buttons do.
    if (vk == VK_RETURN || vk == VK_ESCAPE) return TRUE;

    const HWND focus = GetFocus();
    CEdit* box = nullptr;
    int* code = nullptr;
    vorn::HotKeyBox which = vorn::HotKeyBox::Boss;
    if (focus == m_edtBossKey.m_hWnd) {
        box = &m_edtBossKey, code = &m_nBossKey, which = vorn::HotKeyBox::Boss;
    } else if (focus == m_edtSwitchKey.m_hWnd) {
        box = &m_edtSwitchKey, code = &m_nSwitchKey, which = vorn::HotKeyBox::Switch;
    } else if (focus == m_edtSoundKey.m_hWnd) {
        box = &m_edtSoundKey, code = &m_nSoundKey, which = vorn::HotKeyBox::Sound;
    }
    if (box == nullptr || box->m_hWnd == nullptr) return CDlgEx::PreTranslateMessage(msg);

    const vorn::CapturedKey captured = vorn::CaptureHotKey(which, vk, vorn::CurrentHotKeyModifiers(), *code);
    *code = captured.code;
    const std::wstring text = vorn::ToWide(captured.text);
    SetWindowTextW(*box, text.c_str());
    SendMessageW(*box, EM_SETSEL, text.size(), -1);
    SendMessageW(*box, EM_SCROLLCARET, 0, 0);
    return TRUE;
}

void CSettingDlg::OnOK() {
    const std::wstring boss = m_edtBossKey.GetText(), sw = m_edtSwitchKey.GetText(), sound = m_edtSoundKey.GetText();
    if (vorn::BoxTextsConflict(vorn::ToU16(boss), vorn::ToU16(sw), vorn::ToU16(sound))) {
        ShowMessage(0, vorn::build::kWindowTitle, L"热键冲突，请重新设置不同热键值", m_hWnd);
        return;
    }
    struct Entry {
        const wchar_t* key;
        const wchar_t* fallback;
        const std::wstring* text;
        int code;
    };
    const Entry entries[] = {
        {vorn::settings::kKeyBossKey, vorn::settings::kKeyBossKeyDefault, &boss, m_nBossKey},
        {vorn::settings::kKeySwitchKey, vorn::settings::kKeySwitchKeyDefault, &sw, m_nSwitchKey},
        {vorn::settings::kKeySoundKey, vorn::settings::kKeySoundKeyDefault, &sound, m_nSoundKey}};
    std::vector<const Entry*> stored;
    std::vector<vorn::HotKeyWrite> writes;
    for (const Entry& entry : entries) {
        const auto hotKey = vorn::HotKeyFromBoxText(vorn::ToU16(*entry.text), entry.code);
        if (!hotKey) continue;  // an unfinished entry keeps the stored key
        vorn::HotKey previous;
        vorn::ReadHotKey(entry.key, entry.fallback, &previous.code, &previous.modifiers);
        stored.push_back(&entry);
        writes.push_back({*hotKey, previous});
    }
    const vorn::SaveOutcome outcome = vorn::SaveAllOrNothing(writes, [&](std::size_t i, const vorn::HotKey& key) {
        return vorn::WriteHotKey(stored[i]->key, key.code, key.modifiers) != FALSE;
    });
    // Whatever was written is announced: the game windows agree with the launchers.
    if (outcome.saved || outcome.changed) vorn::BroadcastHotKeyReload();
    if (!outcome.saved) {
        // Closing as if saved would leave the old keys in effect without a word.
        ShowMessage(0, vorn::build::kWindowTitle, L"热键设置保存失败，请稍后再试", m_hWnd);
        return;
    }
    CDlgEx::OnOK();
}

LRESULT CSettingDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
        const HWND control = reinterpret_cast<HWND>(lParam);
        if (IsGroupBox(control)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(0, 0, 0));
            if (m_brGroup.GetSafeHandle() == nullptr) m_brGroup.Attach(CreateSolidBrush(kGroupColour));
            return reinterpret_cast<LRESULT>(m_brGroup.GetSafeHandle());
        }
    }
    if (msg == WM_DESTROY && g_keyDialog == this) g_keyDialog = nullptr;
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

namespace vorn {

bool IsKeyBoxFocused() {
    if (g_keyDialog == nullptr || g_keyDialog->m_hWnd == nullptr) return false;
    // Only while the dialog takes the keyboard: with another program in front, a hot key
    // typed there is a command.
    return GetForegroundWindow() == g_keyDialog->m_hWnd && g_keyDialog->IsKeyBox(GetFocus());
}

int BroadcastHotKeyReload() {
    std::vector<HWND> launchers;
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD);
         window != nullptr && static_cast<int>(launchers.size()) < kMaxLaunchers;
         window = GetWindow(window, GW_HWNDNEXT)) {
        wchar_t className[64] = {}, title[128] = {};
        GetClassNameW(window, className, 64);
        GetWindowTextW(window, title, 128);
        if (lstrcmpW(title, build::kWindowTitle) == 0 && lstrcmpW(className, L"#32770") == 0) {
            launchers.push_back(window);
        }
    }
    for (HWND window : launchers) PostMessageW(window, messages::kReloadHotKeys, 0, 0);
    return static_cast<int>(launchers.size());
}

}  // namespace vorn
