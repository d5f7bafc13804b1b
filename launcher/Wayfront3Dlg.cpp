#include "launcher/Wayfront3Dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "common/StartProcess.h"
#include "common/BuildSettings.h"
#include "common/ModulePath.h"
#include "common/PathRules.h"
#include "common/Settings.h"
#include "common/WideText.h"
#include "common/RunMode.h"
#include "hotkeys/HotKeys.h"
#include "hotkeys/SettingDlg.h"
#include "launcher/KeyHookRules.h"
#include "launcher/LauncherMenuWin.h"
#include "launcher/LauncherMessages.h"
#include "launcher/MainWindowRules.h"
#include "maintenance/CacheClear.h"
#include "online/UpdateCheck.h"
#include "skin/MessageBox.h"
#include "skin/SkinImage.h"

#ifndef ILD_SCALE
#define ILD_SCALE 0x2000
#endif

CWayfront3Dlg* g_pMainDlg = nullptr;
HHOOK g_hKeyboardHook = nullptr;
CSettingDlg* g_pOpenSettingsDlg = nullptr;
vorn::HotKey g_bossKey, g_switchKey, g_soundKey;

namespace {

using namespace vorn::launcher;

constexpr UINT kTemplate = 102;
constexpr int kHideId = 1001, kSoundId = 1002, kMenuId = 1003, kOtherAccountId = 1005;
constexpr UINT kIconId = 128;
constexpr UINT kMainBackPng = 134, kMinimizePng = 136, kMaximizePng = 135, kRestorePng = 137, kClosePng = 132;
constexpr UINT kHidePng = 138, kSoundOnPng = 149, kSoundMutedPng = 148, kMenuPng = 139;
constexpr UINT kTabsPng = 140, kTabClosePng = 141, kLinkPng = 142;
constexpr UINT kAddAccountTemplate = 161;
constexpr UINT kTrayIconId = 1;
constexpr UINT_PTR kSoundTimer = 3, kNoticeTimer = 4;
constexpr UINT kSoundPeriodMs = 400;
// The notice pop-up comes a little after the first game window, not over the login.
constexpr UINT kNoticeDelayMs = 5000;

const wchar_t* const kTitle = vorn::build::kWindowTitle;

// The sound button's look, initially silent so that the first tick always sets it.
BOOL g_bShownMute = TRUE;

RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The program a game process runs: this one. Test builds may put a protocol-speaking
// stand-in in its place (the command line stays the one this program builds).
const wchar_t* TabProgramOverride() {
#ifdef VORN_TEST_HOOKS
    static wchar_t program[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"VORN_TEST_TAB_PROGRAM", program, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return program;
#endif
    return nullptr;
}

bool HasEnded(HANDLE process) { return process == nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

ProcessId ProcessOf(HWND window) {
    DWORD pid = 0;
    if (window != nullptr && IsWindow(window)) GetWindowThreadProcessId(window, &pid);
    return pid;
}

void ShowTip(CToolTipCtrl& tip, BOOL active) {
    if (tip.m_hWnd != nullptr) SendMessageW(tip.m_hWnd, TTM_ACTIVATE, active, 0);
}

HBITMAP LoadPicture(UINT id) { return LoadSkinBitmap(AfxGetInstanceHandle(), id); }

// Fills an image list with the frames of a strip picture of `frames` equal frames.
void BuildStripList(CImageList& list, UINT pictureId, int frames) {
    HBITMAP strip = LoadPicture(pictureId);
    int width = 0, height = 0;
    CBitmap holder(strip);
    if (!holder.GetSize(&width, &height) || width < frames) return;
    if (list.Create(width / frames, height, ILC_COLOR24 | ILC_MASK, 0, 0)) list.AddMasked(strip, kSkinKeyColour);
}

}  // namespace

LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    // Every key of the desktop passes here: compare and act, nothing else, and always hand
    // the key on.
    if (code == HC_ACTION && g_pMainDlg != nullptr && lParam != 0 && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN)) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        switch (KeyHookAction(g_pMainDlg->TabCount(), static_cast<unsigned>(wParam), static_cast<int>(key->vkCode),
                              vorn::CurrentHotKeyModifiers(), g_bossKey, g_soundKey)) {
        case HookAction::kToggleHide:
            g_pMainDlg->ToggleHide();
            break;
        case HookAction::kToggleSound:
            g_pMainDlg->ToggleSound();
            break;
        case HookAction::kNone:
            break;
        }
    }
    return CallNextHookEx(g_hKeyboardHook, code, wParam, lParam);
}

CWayfront3Dlg::CWayfront3Dlg(CWnd* parent) : CDlgEx(kTemplate, parent) {
    m_hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(kIconId));
    g_pMainDlg = this;
}

CWayfront3Dlg::~CWayfront3Dlg() {
    // A window that ended without ExitLauncher (a failed start) leaves nothing behind.
    if (g_hKeyboardHook != nullptr) UnhookWindowsHookEx(g_hKeyboardHook);
    g_hKeyboardHook = nullptr;
    if (m_hPendingChild != nullptr) CloseHandle(m_hPendingChild);
    for (auto& [pid, handle] : m_titleProcesses) CloseHandle(handle);
    for (HANDLE child : m_childrenLoggingIn) CloseHandle(child);
    if (m_dlgAddAcc.m_hWnd != nullptr) m_dlgAddAcc.DestroyWindow();
    RemoveTrayIcon();
    if (g_pMainDlg == this) g_pMainDlg = nullptr;
}

void CWayfront3Dlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, kHideId, m_btnHide);
    DDX_Control(dx, kMenuId, m_btnMenu);
    DDX_Control(dx, kSoundId, m_btnSound);
    DDX_Control(dx, kOtherAccountId, m_stcOtherAccount);
}

BOOL CWayfront3Dlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    g_hKeyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, &LowLevelKeyboardProc, AfxGetInstanceHandle(), 0);

    m_osvi.dwOSVersionInfoSize = sizeof m_osvi;
    GetVersionExW(&m_osvi);

    SetWindowLongW(m_hWnd, GWL_STYLE, GetWindowLongW(m_hWnd, GWL_STYLE) | WS_CLIPCHILDREN);
    SetTitle(kTitle);
    UseBoxCaptionLayout();
    m_bResizable = 1;
    HBITMAP minimize = LoadPicture(kMinimizePng), close = LoadPicture(kClosePng);
    SetSkin(LoadPicture(kMainBackPng), 0, 1, close, minimize, LoadPicture(kMaximizePng), LoadPicture(kRestorePng));
    if (minimize != nullptr) DeleteObject(minimize);  // the close and minimise strips stay ours
    if (close != nullptr) DeleteObject(close);

    // Practically invisible until the first game window arrives, while the login dialog
    // of the first game process (owned by this window) is on screen.
    MoveWindow(m_hWnd, 0, 0, 1, 1, TRUE);

    for (auto [button, picture] : {std::pair{&m_btnHide, kHidePng}, std::pair{&m_btnSound, kSoundOnPng},
                                   std::pair{&m_btnMenu, kMenuPng}}) {
        HBITMAP strip = LoadPicture(picture);
        button->SetBitmap(strip, 0);
        if (strip != nullptr) DeleteObject(strip);
    }
    m_btnMenu.m_crText = RGB(255, 255, 255);

    m_stcOtherAccount.m_crText = RGB(255, 255, 255);
    SetWindowLongW(m_stcOtherAccount.m_hWnd, GWL_STYLE,
                   GetWindowLongW(m_stcOtherAccount.m_hWnd, GWL_STYLE) | SS_NOTIFY);
    HBITMAP link = LoadPicture(kLinkPng);
    m_stcOtherAccount.SetImage(link);
    if (link != nullptr) DeleteObject(link);
    m_stcOtherAccount.m_bHandCursor = 1;
    m_stcOtherAccount.m_bUnderline = 1;

    BuildStripList(m_imgTabs, kTabsPng, 3);
    BuildStripList(m_imgTabClose, kTabClosePng, 3);

    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        m_tip.AddTool(this, LPSTR_TEXTCALLBACKW, 0);
        m_tip.SetDelayTime(TTDT_AUTOMATIC, 500);
    }

    StartTabProcess();
    LoadHotKeys();
    return TRUE;
}

void CWayfront3Dlg::StartTabProcess() {
    const std::wstring self = vorn::GetModulePath(nullptr);
    if (self.empty()) return;
    const auto handle = static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(m_hWnd));
    std::wstring commandLine = vorn::ToWide(TabProcessCommandLine(vorn::ToU16(self), handle, TabCount()));
    HANDLE process = nullptr;
    if (!vorn::StartProcess(TabProgramOverride(), commandLine, &process)) return;
    if (m_hPendingChild != nullptr) CloseHandle(m_hPendingChild);
    m_hPendingChild = process;
    // A second handle to the same process, for knowing who registers a title.
    HANDLE watch = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &watch, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        m_childrenLoggingIn.push_back(watch);
    }
}

void CWayfront3Dlg::StartUpdater() {
    const std::wstring self = vorn::GetModulePath(nullptr);
    if (self.empty()) return;
    vorn::StartProcess(nullptr, vorn::ToWide(UpdaterCommandLine(vorn::ToU16(self))), nullptr);
}

void CWayfront3Dlg::StartNewLauncher() {
    const std::wstring self = vorn::GetModulePath(nullptr);
    if (self.empty()) return;
    // No switches: the new instance chooses its role as a launcher started by the player.
    vorn::StartProcess(nullptr, vorn::ToWide(vorn::QuotedProgramPath(vorn::ToU16(self))), nullptr);
}

void CWayfront3Dlg::BringToFront() {
    HWND foreground = GetForegroundWindow();
    const DWORD ours = GetCurrentThreadId();
    const DWORD theirs = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attach = theirs != 0 && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_hWnd);
    if (attach) AttachThreadInput(ours, theirs, FALSE);
}

void CWayfront3Dlg::ExitLauncher() {
    if (m_hPendingChild != nullptr) {
        TerminateProcess(m_hPendingChild, 0);
        CloseHandle(m_hPendingChild);
        m_hPendingChild = nullptr;
    }
    if (g_hKeyboardHook != nullptr) UnhookWindowsHookEx(g_hKeyboardHook);
    g_hKeyboardHook = nullptr;
    for (HWND window : m_arrTabWnd) {
        SetParent(window, nullptr);
        ShowWindow(window, SW_HIDE);
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    // Closed once: a second exit request finds no tabs.
    m_arrTabWnd.clear();
    m_arrTabTitle.clear();
    RemoveTrayIcon();
    PostQuitMessage(0);
}

void CWayfront3Dlg::ToggleHide() {
    if (m_hWnd == nullptr) return;
    if (IsWindowVisible(m_hWnd)) {
        ShowWindow(m_hWnd, SW_HIDE);
        if (m_dlgAddAcc.m_hWnd != nullptr) ShowWindow(m_dlgAddAcc.m_hWnd, SW_HIDE);
        if (m_dlgNotice.m_hWnd != nullptr) ShowWindow(m_dlgNotice.m_hWnd, SW_HIDE);
        if (g_pOpenSettingsDlg != nullptr && g_pOpenSettingsDlg->m_hWnd != nullptr &&
            IsWindowVisible(g_pOpenSettingsDlg->m_hWnd)) {
            g_pOpenSettingsDlg->EndDialog(IDCANCEL);  // nothing saved
        }
    } else {
        ShowWindow(m_hWnd, SW_RESTORE);
        BringToFront();
    }
}

namespace {

NOTIFYICONDATAW TrayIconData(HWND window, HICON icon) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;  // this build's own structure, whatever its width
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kMsgTrayCallback;
    data.hIcon = icon;
    lstrcpynW(data.szTip, kTitle, ARRAYSIZE(data.szTip));
    return data;
}

}  // namespace

void CWayfront3Dlg::AddTrayIcon() {
    if (m_bTrayIcon || m_hWnd == nullptr) return;
    NOTIFYICONDATAW data = TrayIconData(m_hWnd, m_hIcon);
    m_bTrayIcon = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void CWayfront3Dlg::RemoveTrayIcon() {
    if (m_hWnd == nullptr) return;
    // Asked whether or not it was added: a removal of nothing does no harm.
    NOTIFYICONDATAW data = TrayIconData(m_hWnd, m_hIcon);
    Shell_NotifyIconW(NIM_DELETE, &data);
    m_bTrayIcon = false;
}

void CWayfront3Dlg::ShowSystemMenu() {
    HMENU menu = CreateLauncherMenu(MenuKind::kSystem);
    if (menu == nullptr) return;
    RECT button{};
    GetWindowRect(m_btnMenu.m_hWnd, &button);
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD, button.left, button.bottom + 2, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
    RunMenuCommand(command);
}

void CWayfront3Dlg::ShowTrayMenu() {
    // In front first, so that a click elsewhere closes the menu.
    SetForegroundWindow(m_hWnd);
    POINT cursor{};
    GetCursorPos(&cursor);
    HMENU menu = CreateLauncherMenu(MenuKind::kTray);
    if (menu == nullptr) return;
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0,
                                       m_hWnd, nullptr);
    DestroyMenu(menu);
    PostMessageW(m_hWnd, WM_NULL, 0, 0);  // lets the menu's window go before the next one
    RunMenuCommand(command);
}

void CWayfront3Dlg::RunMenuCommand(int command) {
    switch (command) {
    case kMenuRefresh:
        // Marked as the program's own: it refreshes even where F5 is a hot key.
        PostMessageW(m_hWnd, WM_KEYDOWN, VK_F5, kOwnMessageMarker);
        break;
    case kMenuToggleHide:
        ToggleHide();
        break;
    case kMenuClearCache:
        ClearCache();
        break;
    case kMenuUpdate:
        CheckForUpdateNow();
        break;
    case kMenuSettings:
        OpenSettings();
        break;
    case kMenuExit:
        ExitLauncher();
        break;
    default:  // dismissed, or the version line
        break;
    }
}

void CWayfront3Dlg::CheckForUpdateNow() {
    wchar_t address[512] = {};
    bool compared = false;
    if (vorn::CheckForUpdate(true, vorn::MODE_INSTALLED, address, nullptr, &compared) != 0) {
        StartUpdater();
        ExitLauncher();
        return;
    }
    ShowMessage(0, kTitle, vorn::ToWide(std::u16string(NoUpdateText(compared))).c_str(), m_hWnd);
}

void CWayfront3Dlg::ClearCache() {
    // The answer comes when the thread has finished (kMsgCacheCleared).
    if (vorn::StartCacheClearing({m_hWnd, kMsgCacheCleared})) ++m_nCacheClearings;
}

void CWayfront3Dlg::OnCacheCleared(WPARAM everythingRemoved) {
    if (m_nCacheClearings <= 0) return;  // not one of ours
    --m_nCacheClearings;
    ShowMessage(0, kTitle, vorn::ToWide(std::u16string(CacheClearedText(everythingRemoved == 1))).c_str(), m_hWnd);
}

void CWayfront3Dlg::OpenSettings() {
    if (g_pOpenSettingsDlg != nullptr) {
        if (g_pOpenSettingsDlg->m_hWnd != nullptr) SetForegroundWindow(g_pOpenSettingsDlg->m_hWnd);
        return;
    }
    CSettingDlg dialog(this);
    g_pOpenSettingsDlg = &dialog;
    dialog.DoModal();
    g_pOpenSettingsDlg = nullptr;
}

void CWayfront3Dlg::LoadHotKeys() {
    using namespace vorn::settings;
    vorn::ReadHotKey(kKeyBossKey, kKeyBossKeyDefault, &g_bossKey.code, &g_bossKey.modifiers);
    vorn::ReadHotKey(kKeySwitchKey, kKeySwitchKeyDefault, &g_switchKey.code, &g_switchKey.modifiers);
    for (HWND window : m_arrTabWnd) PostMessageW(window, kMsgGameReloadHotKeys, 0, 0);
    if (m_hPageWnd != nullptr) PostMessageW(m_hPageWnd, kMsgGameReloadHotKeys, 0, 0);
    vorn::ReadHotKey(kKeySoundKey, kKeySoundKeyDefault, &g_soundKey.code, &g_soundKey.modifiers);
}

bool CWayfront3Dlg::IsPageVisible() const { return m_hPageWnd != nullptr && IsWindowVisible(m_hPageWnd); }

void CWayfront3Dlg::ShowTab(HWND window) {
    for (HWND tab : m_arrTabWnd) {
        if (tab != window) ShowWindow(tab, SW_HIDE);
    }
    if (window == nullptr) return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const RECT at = ToRECT(GameWindowRect(client.right, client.bottom));
    MoveWindow(window, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (IsPageVisible()) ShowWindow(m_hPageWnd, SW_HIDE);
}

void CWayfront3Dlg::NextTab() {
    if (m_arrTabWnd.empty() || !IsWindowVisible(m_hWnd) || IsIconic(m_hWnd)) return;
    const Selection next = NextTabSelection(m_nCurTab, TabCount(), IsPageVisible());
    m_nCurTab = next.selected;
    for (const Rect& r : next.repaint) Repaint(r);
    ShowTab(m_arrTabWnd[static_cast<size_t>(m_nCurTab)]);
}

void CWayfront3Dlg::SelectTabAt(POINT point) {
    StripHover hover = Hover();
    const Selection selection = SelectAt(hover, point.x, point.y, m_nCurTab, TabCount(), IsPageVisible());
    SetHover(hover);
    m_nCurTab = selection.selected;
    if (selection.show) ShowTab(m_arrTabWnd[static_cast<size_t>(m_nCurTab)]);
    for (const Rect& r : selection.repaint) Repaint(r);
}

void CWayfront3Dlg::CloseTab(int tab) {
    if (tab < 0 || tab >= TabCount()) return;
    StripHover hover = Hover();
    if (TabCount() < 2) {
        // Closing the last tab is closing the launcher, with its question.
        Repaint(CloseBoxRect(tab));
        ResetHover(hover);
        SetHover(hover);
        OnCancel();
        return;
    }
    const HWND window = m_arrTabWnd[static_cast<size_t>(tab)];
    const std::wstring question = L"确定要退出账号：" + m_arrTabTitle[static_cast<size_t>(tab)] + L" ?";
    const int answer = ShowMessage(4, kTitle, question.c_str(), m_hWnd);
    // Windows may have arrived while the question was open: find the tab again by its window.
    const auto found = std::find(m_arrTabWnd.begin(), m_arrTabWnd.end(), window);
    hover = Hover();
    ResetHover(hover);
    SetHover(hover);
    if (answer != IDYES || found == m_arrTabWnd.end()) {
        Repaint(TabRect(tab));
        return;
    }
    tab = static_cast<int>(found - m_arrTabWnd.begin());
    m_arrTabWnd.erase(found);
    m_arrTabTitle.erase(m_arrTabTitle.begin() + tab);
    const int selected = SelectionAfterClose(tab, TabCount());
    ShowTab(m_arrTabWnd[static_cast<size_t>(selected)]);
    m_nCurTab = selected;
    SetParent(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    Repaint(StripRectAfterClose(TabCount()));
}

void CWayfront3Dlg::OnOK() {}

void CWayfront3Dlg::OnCancel() {
    if (ShowMessage(4, kTitle, L"窗口即将关闭，确定要退出游戏？", m_hWnd) == IDYES) ExitLauncher();
}

BOOL CWayfront3Dlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case kHideId:
        ToggleHide();
        return TRUE;
    case kMenuId:
        ShowSystemMenu();
        return TRUE;
    case kSoundId:
        m_bMute = !m_bMute;
        return TRUE;
    case kOtherAccountId:
        ShowAddAccountQuestion();
        return TRUE;
    default:
        return CDlgEx::OnCommand(wParam, lParam);
    }
}

void CWayfront3Dlg::ShowAddAccountQuestion() {
    if (m_dlgAddAcc.m_hWnd == nullptr && !m_dlgAddAcc.Create(kAddAccountTemplate, this)) return;
    RECT link{}, question{};
    GetWindowRect(m_stcOtherAccount.m_hWnd, &link);
    GetWindowRect(m_dlgAddAcc.m_hWnd, &question);
    SetWindowPos(m_dlgAddAcc.m_hWnd, nullptr, link.right - (question.right - question.left), link.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_dlgAddAcc.m_hWnd, SW_SHOW);
}

void CWayfront3Dlg::OnAddAccountAnswer(WPARAM newTab) {
    if (newTab == 1) {
        if (TabCount() < kMaxTabs) {
            StartTabProcess();
        } else {
            ShowMessage(0, kTitle, L"当前窗体只支持3个游戏页", m_hWnd);
        }
    } else if (newTab == 0) {
        StartNewLauncher();
    }
}

std::vector<ProcessId> CWayfront3Dlg::ProcessesLoggingIn() {
    std::erase_if(m_childrenLoggingIn, [](HANDLE child) {
        if (!HasEnded(child)) return false;
        CloseHandle(child);
        return true;
    });
    std::vector<ProcessId> pids;
    for (HANDLE child : m_childrenLoggingIn) pids.push_back(GetProcessId(child));
    return pids;
}

void CWayfront3Dlg::ReleaseTitleProcess(ProcessId process) {
    if (m_pendingTitles.HasProcess(process)) return;
    std::erase_if(m_titleProcesses, [&](const std::pair<ProcessId, HANDLE>& entry) {
        if (entry.first != process) return false;
        CloseHandle(entry.second);
        return true;
    });
}

void CWayfront3Dlg::DropEndedTitles() {
    const auto ended = m_pendingTitles.DropEnded([&](ProcessId process) {
        for (const auto& [pid, handle] : m_titleProcesses) {
            if (pid == process) return HasEnded(handle);
        }
        return false;
    });
    for (ProcessId process : ended) ReleaseTitleProcess(process);
}

LRESULT CWayfront3Dlg::OnCopyData(WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr) return FALSE;
    const auto title = ReadCopyDataTitle(data->lpData, data->cbData);
    if (!title) return FALSE;
    DropEndedTitles();

    // The sender's window, when it names itself in wParam, gives its process.
    const ProcessId fromWindow = ProcessOf(reinterpret_cast<HWND>(wParam));
    ProcessId sender = TitleSender(fromWindow != GetCurrentProcessId() ? fromWindow : kUnknownProcess,
                                   ProcessesLoggingIn());
    HANDLE watch = nullptr;
    const bool watched = std::any_of(m_titleProcesses.begin(), m_titleProcesses.end(),
                                     [&](const auto& entry) { return entry.first == sender; });
    if (sender != kUnknownProcess && !watched) {
        watch = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, sender);
        if (watch == nullptr) sender = kUnknownProcess;  // cannot be watched: paired by order
    }
    std::vector<std::u16string> tabTitles;
    for (const std::wstring& t : m_arrTabTitle) tabTitles.push_back(vorn::ToU16(t));
    if (!m_pendingTitles.Register(*title, sender, tabTitles)) {
        if (watch != nullptr) CloseHandle(watch);
        return FALSE;
    }
    if (watch != nullptr) m_titleProcesses.emplace_back(sender, watch);
    return TRUE;
}

bool CWayfront3Dlg::IsAcceptableArrival(HWND window) const {
    // The launcher moves, shows and closes what arrives: only a live window of another
    // process that it does not hold already.
    if (window == nullptr || !IsWindow(window)) return false;
    const ProcessId process = ProcessOf(window);
    if (process == 0 || process == GetCurrentProcessId()) return false;
    if (window == m_hPageWnd) return false;
    return std::find(m_arrTabWnd.begin(), m_arrTabWnd.end(), window) == m_arrTabWnd.end();
}

void CWayfront3Dlg::OnWindowArrived(HWND window, LPARAM isPageWindow) {
    if (!IsAcceptableArrival(window)) return;
    if (m_arrTabWnd.empty()) {
        // The first game window turns the 1 x 1 window into the maximised launcher; a tab
        // after a page window finds it maximised already.
        if (!m_bMaximized) ToggleMaximize();
        AddTrayIcon();
        SetTimer(m_hWnd, kSoundTimer, kSoundPeriodMs, nullptr);
    }
    if (isPageWindow != 0) {
        m_hPageWnd = window;
        return;
    }
    ShowTab(nullptr);
    if (IsPageVisible()) ShowWindow(m_hPageWnd, SW_HIDE);

    const ProcessId process = ProcessOf(window);
    DropEndedTitles();
    const std::u16string title = m_pendingTitles.TakeFor(process);
    ReleaseTitleProcess(process);
    std::erase_if(m_childrenLoggingIn, [&](HANDLE child) {
        if (GetProcessId(child) != process) return false;
        CloseHandle(child);
        return true;
    });

    m_arrTabWnd.push_back(window);
    m_arrTabTitle.push_back(vorn::ToWide(title));
    m_nCurTab = TabCount() - 1;
    if (m_hPendingChild != nullptr) CloseHandle(m_hPendingChild);
    m_hPendingChild = nullptr;
    Repaint(StripRect(TabCount()));
    if (!m_bNoticeArmed) {
        m_bNoticeArmed = true;
        SetTimer(m_hWnd, kNoticeTimer, kNoticeDelayMs, nullptr);
    }
}

void CWayfront3Dlg::PushSoundState() {
    for (HWND window : m_arrTabWnd) PostMessageW(window, kMsgSoundState, m_bMute ? 1 : 0, 0);
    if (m_bMute != g_bShownMute) {
        g_bShownMute = m_bMute;
        HBITMAP strip = LoadPicture(m_bMute ? kSoundMutedPng : kSoundOnPng);
        m_btnSound.SetBitmap(strip, 0);
        if (strip != nullptr) DeleteObject(strip);
        if (m_btnSound.m_hWnd != nullptr) InvalidateRect(m_btnSound.m_hWnd, nullptr, FALSE);
    }
}

StripHover CWayfront3Dlg::Hover() const {
    return StripHover{m_nHotTab, m_nCloseState, m_bTipActive != FALSE, m_bTracking != FALSE};
}

void CWayfront3Dlg::SetHover(const StripHover& hover) {
    m_nHotTab = hover.hotTab;
    m_nCloseState = hover.closeState;
    m_bTipActive = hover.tipActive;
    m_bTracking = hover.tracking;
}

void CWayfront3Dlg::Repaint(const Rect& rect) {
    const RECT r = ToRECT(rect);
    InvalidateRect(m_hWnd, &r, TRUE);  // the strip is painted with the background
}

void CWayfront3Dlg::Apply(const StripEffects& effects) {
    if (effects.tipTab >= 0 && effects.tipTab < TabCount()) {
        m_tip.UpdateTipText(m_arrTabTitle[static_cast<size_t>(effects.tipTab)].c_str(), this, 0);
        ShowTip(m_tip, TRUE);
    }
    if (effects.tipDeactivate) ShowTip(m_tip, FALSE);
    for (const Rect& r : effects.repaint) Repaint(r);
    if (effects.trackLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
        m_bTracking = TrackMouseEvent(&track);
    }
}

LRESULT CWayfront3Dlg::OnNcHitTestStrip(WPARAM wParam, LPARAM lParam) {
    const LRESULT base = CDlgEx::WindowProc(WM_NCHITTEST, wParam, lParam);
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(m_hWnd, &point);
    StripHover hover = Hover();
    const StripEffects effects =
        HoverAt(hover, point.x, point.y, TabCount(), GetKeyState(VK_LBUTTON) < 0, base == HTCAPTION);
    SetHover(hover);
    Apply(effects);
    return base;
}

BOOL CWayfront3Dlg::OnStripButton(UINT msg, POINT point) {
    if (!InStripBand(point.x, point.y, TabCount())) return FALSE;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
        SelectTabAt(point);
        break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP: {
        const int tab = TabAt(point.x);
        if (InCloseBox(point.x, point.y, tab)) CloseTab(tab);
        break;
    }
    case WM_MBUTTONUP:
    case WM_NCMBUTTONUP:
        CloseTab(TabAt(point.x));
        break;
    default:  // double-clicks on a tab do nothing
        break;
    }
    return TRUE;
}

void CWayfront3Dlg::PaintWindow(HDC target) {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    CMemoryCanvas canvas(target, client.right, client.bottom);
    if (!canvas.ok()) return;
    HDC dc = canvas.dc();
    PaintSkin(dc);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < TabCount(); ++i) {
        const Rect tab = TabRect(i);
        ImageList_DrawEx(m_imgTabs.GetSafeHandle(), TabImage(i, m_nCurTab, m_nHotTab), dc, tab.left, tab.top,
                         tab.Width(), tab.Height(), CLR_DEFAULT, CLR_DEFAULT, ILD_TRANSPARENT | ILD_SCALE);
        if (i == m_nHotTab && m_nCloseState >= 0) {
            const Rect box = CloseBoxRect(i);
            ImageList_DrawEx(m_imgTabClose.GetSafeHandle(), m_nCloseState, dc, box.left, box.top, box.Width(),
                             box.Height(), CLR_DEFAULT, CLR_DEFAULT, ILD_TRANSPARENT | ILD_SCALE);
        }
        RECT title = ToRECT(TitleRect(i));
        const std::wstring& text = m_arrTabTitle[static_cast<size_t>(i)];
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &title, DT_SINGLELINE);
    }
    if (oldFont != nullptr) SelectObject(dc, oldFont);
    canvas.CopyTo(target);
}

void CWayfront3Dlg::OnSize(int cx, int cy) {
    const RECT at = ToRECT(GameWindowRect(cx, cy));
    HWND placed = nullptr;
    if (IsPageVisible()) {
        placed = m_hPageWnd;
    } else if (m_nCurTab >= 0 && m_nCurTab < TabCount()) {
        placed = m_arrTabWnd[static_cast<size_t>(m_nCurTab)];
    }
    if (placed != nullptr) MoveWindow(placed, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
}

bool CWayfront3Dlg::HandleQueuedRule(MSG* msg, bool* consumed) {
    const QueuedAction action =
        ClassifyQueuedMessage({msg->message, msg->wParam, msg->lParam}, msg->hwnd == m_hWnd, g_switchKey,
                              vorn::CurrentHotKeyModifiers(), TabCount(), m_hPendingChild != nullptr);
    *consumed = true;
    switch (action) {
    case QueuedAction::kNextTab:
        NextTab();
        return true;
    case QueuedAction::kSwallow:
        return true;
    case QueuedAction::kExit:
        ExitLauncher();
        return true;
    case QueuedAction::kDropPending:
        CloseHandle(m_hPendingChild);
        m_hPendingChild = nullptr;
        return true;
    case QueuedAction::kEndPendingAndExit:
        if (m_hPendingChild != nullptr) TerminateProcess(m_hPendingChild, 0);
        ExitLauncher();
        return true;
    case QueuedAction::kForwardToTab: {
        HWND target = nullptr;
        if (m_nCurTab >= 0 && m_nCurTab < TabCount() && IsWindowVisible(m_arrTabWnd[static_cast<size_t>(m_nCurTab)])) {
            target = m_arrTabWnd[static_cast<size_t>(m_nCurTab)];
        } else if (IsPageVisible()) {
            target = m_hPageWnd;
        }
        if (target != nullptr) PostMessageW(target, msg->message, msg->wParam, msg->lParam);
        return true;
    }
    case QueuedAction::kRestoreThenPass:
        ShowWindow(m_hWnd, SW_RESTORE);
        break;
    case QueuedAction::kPass:
        break;
    }
    *consumed = false;
    return false;
}

BOOL CWayfront3Dlg::PreTranslateMessage(MSG* msg) {
    bool consumed = false;
    HandleQueuedRule(msg, &consumed);
    if (consumed) return TRUE;
    m_tip.RelayEvent(msg);
    return CDlgEx::PreTranslateMessage(msg);
}

LRESULT CWayfront3Dlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        if (IsIconic(m_hWnd)) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            RECT client{};
            GetClientRect(m_hWnd, &client);
            DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                     (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, m_hIcon);
            EndPaint(m_hWnd, &ps);
            return 0;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_ERASEBKGND:
        PaintWindow(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_SIZE: {
        const int cx = LOWORD(lParam), cy = HIWORD(lParam);
        OnSize(cx, cy);
        const LRESULT result = CDlgEx::WindowProc(msg, wParam, lParam);
        if (cx != m_nLastWidth && m_btnHide.m_hWnd != nullptr) {
            const CaptionControls controls = CaptionControlRects(cx);
            for (auto [control, rect] : {std::pair<CWnd*, Rect>{&m_btnHide, controls.hide},
                                         {&m_btnSound, controls.sound}, {&m_btnMenu, controls.menu},
                                         {&m_stcOtherAccount, controls.link}}) {
                MoveWindow(control->m_hWnd, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
                InvalidateRect(control->m_hWnd, nullptr, TRUE);
            }
            for (CBtnEx* button : {&m_btnClose, &m_btnMax, &m_btnMin}) {
                if (button->m_hWnd != nullptr) InvalidateRect(button->m_hWnd, nullptr, TRUE);
            }
        }
        if (m_osvi.dwMajorVersion < 6 && cx < m_nLastWidth) {
            // Older systems leave the old top-right corner of the cut window on screen.
            RECT window{};
            GetWindowRect(m_hWnd, &window);
            const RECT corner{window.right - 4, window.top, window.right, window.top + 4};
            RedrawWindow(GetDesktopWindow(), &corner, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        }
        m_nLastWidth = cx;
        if (m_tip.m_hWnd != nullptr) {
            // The tip's one tool covers the whole window whatever its size.
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = m_hWnd;
            tool.uId = 0;
            GetClientRect(m_hWnd, &tool.rect);
            SendMessageW(m_tip.m_hWnd, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        return result;
    }
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (pos != nullptr && (pos->flags & SWP_NOSIZE) == 0 && !IsIconic(m_hWnd)) {
            const Size size = MinimumWindowSize(TabCount(), {pos->cx, pos->cy});
            pos->cx = size.cx;
            pos->cy = size.cy;
        }
        break;
    }
    case WM_NCHITTEST:
        return OnNcHitTestStrip(wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONUP: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (OnStripButton(msg, point)) return 0;
        break;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCMBUTTONUP: {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(m_hWnd, &point);
        if (OnStripButton(msg, point)) return 0;
        break;
    }
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE: {
        StripHover hover = Hover();
        const StripEffects effects = HoverLeave(hover, msg == WM_MOUSELEAVE);
        SetHover(hover);
        Apply(effects);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kSoundTimer) {
            PushSoundState();
        } else if (wParam == kNoticeTimer) {
            KillTimer(m_hWnd, kNoticeTimer);
            m_dlgNotice.CreateAndShow();
            return 0;
        }
        break;
    case WM_COPYDATA:
        return OnCopyData(wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            // Sent rather than posted (Alt+F4): the same rules as for the queued form.
            MSG sent{m_hWnd, msg, wParam, lParam, 0, {}};
            bool consumed = false;
            HandleQueuedRule(&sent, &consumed);
            if (consumed) return 0;
        }
        break;
    case kMsgWindowArrived:
        OnWindowArrived(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case kMsgReloadHotKeys:
        LoadHotKeys();
        return 0;
    case kMsgTrayCallback:
        if (lParam == WM_LBUTTONUP) {
            ToggleHide();
        } else if (lParam == WM_RBUTTONUP) {
            PostMessageW(m_hWnd, kMsgShowTrayMenu, 0, 0);
        }
        return 0;
    case kMsgShowTrayMenu:
        ShowTrayMenu();
        return 0;
    case kMsgCacheCleared:
        OnCacheCleared(wParam);
        return 0;
    case kMsgAddAccountAnswer:
        OnAddAccountAnswer(wParam);
        return 0;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
