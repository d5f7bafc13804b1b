#include "online/PopInfoDlg.h"

#include <shellapi.h>

#include <string>

#include "common/BuildSettings.h"
#include "common/Locations.h"
#include "common/ModulePath.h"
#include "common/Settings.h"
#include "common/WideText.h"
#include "framework/GdiObject.h"
#include "framework/ScopedDC.h"
#include "maintenance/FileHelpers.h"
#include "online/HttpClient.h"
#include "online/NoticeRules.h"
#include "res/resource.h"
#include "skin/SkinImage.h"
#include "common/ServiceAddress.h"

int g_nNoticeShows = 0;

namespace {

constexpr wchar_t kNoticePath[] = L"/notice/zelqa7.txt";
constexpr int kPictureId = 1019, kTitleId = 1020, kContentId = 1021, kLinkId = 1022;
constexpr UINT_PTR kShowTimer = 1, kPauseTimer = 2;
constexpr UINT kShowMs = 11000;
constexpr UINT kPauseMs = 40 * 60 * 1000;
constexpr size_t kContentWithPicture = 54, kContentAlone = 71;

constexpr COLORREF kTitleColour = RGB(19, 43, 67);
constexpr COLORREF kTextColour = RGB(30, 39, 46);
constexpr COLORREF kHoverColour = RGB(22, 122, 235);

void StoreNoticeValue(const wchar_t* key, const wchar_t* value) {
    const std::wstring ini = vorn::LocalIniPath();
    if (ini.empty()) return;
    // Notices are Chinese text: the file must keep characters outside the ANSI code page.
    vorn::EnsureUnicodeIniFile(ini);
    WritePrivateProfileStringW(vorn::settings::kIniSection, key, value, ini.c_str());
}

void MakeClickable(CStaticEx& label, COLORREF text) {
    SetWindowLongW(label.m_hWnd, GWL_STYLE, GetWindowLongW(label.m_hWnd, GWL_STYLE) | SS_NOTIFY);
    label.m_bHandCursor = 1;
    label.m_bUnderline = 0;
    label.m_crHover = kHoverColour;
    label.m_bHoverColor = 1;
    label.m_crText = text;
}

void ShowAt(CStaticEx& label, int x, int y, int width, int height) {
    MoveWindow(label.m_hWnd, x, y, width, height, TRUE);
    ShowWindow(label.m_hWnd, SW_SHOW);
}

void SetLabelText(CStaticEx& label, const std::wstring& text) {
    label.m_strText = text;
    // The window text too, so that others reading the window see what is drawn.
    SetWindowTextW(label.m_hWnd, text.c_str());
    InvalidateRect(label.m_hWnd, nullptr, FALSE);
}

// The text cut, with "...", to what fits one line of the label's width in the face and
// weight the label draws with: a title that wrapped would run into the text below it.
std::wstring FitOneLine(const CStaticEx& label, const std::wstring& text, int width) {
    HFONT base = reinterpret_cast<HFONT>(SendMessageW(label.m_hWnd, WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    GetObjectW(base != nullptr ? static_cast<HGDIOBJ>(base) : GetStockObject(SYSTEM_FONT), sizeof logFont, &logFont);
    if (label.m_nFontWeight != -1) logFont.lfWeight = label.m_nFontWeight;
    lstrcpynW(logFont.lfFaceName, L"微软雅黑", LF_FACESIZE);
    CFont font;
    font.CreateFontIndirect(logFont);
    const CWindowDC dc(label.m_hWnd);
    const CSelectObject selected(dc, font);
    auto fits = [&](const std::wstring& line) {
        RECT r{0, 0, width, 100};
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        return r.right - r.left <= width;
    };
    const std::u16string full = vorn::ToU16(text);
    std::wstring line = text;
    for (size_t keep = full.size(); keep > 0 && !fits(line); --keep) {
        line = vorn::ToWide(vorn::ShortenNoticeText(full, keep - 1));
    }
    return line;
}

void CopyField(wchar_t* out, size_t chars, const std::u16string& field) {
    lstrcpynW(out, vorn::ToWide(field).c_str(), static_cast<int>(chars));
}

// The picture downloaded into "PopWnd.jpg" as a bitmap owned by the caller; null when it
// could not be downloaded or read.
HBITMAP FetchNoticePicture(const wchar_t* url) {
    const std::wstring picture = vorn::GetModulePath(vorn::settings::kFileNoticePicture);
    if (picture.empty()) return nullptr;
    // Into a file of its own first: a failed or short download must neither show an older
    // notice's picture nor leave half a picture behind.
    const std::wstring partial = picture + L".part";
    vorn::HttpGetRequest request;
    request.url = url;
    request.requireServiceUrl = true;
    request.filePath = partial.c_str();
    request.readSize = 512;
    request.maxBytes = vorn::kNoticePictureReplyBytes;
    if (!vorn::HttpGet(request) ||
        !MoveFileExW(partial.c_str(), picture.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(partial.c_str());
        return nullptr;
    }
    int width = 0, height = 0;
    return LoadImageFileBitmap(picture.c_str(), width, height);
}

}  // namespace

namespace vorn {

BOOL FetchNoticeText(wchar_t* text) {
    if (text == nullptr) return FALSE;
    text[0] = L'\0';
    const std::wstring url = std::wstring(L"http://") + ServiceHost() + kNoticePath;
    HttpGetRequest request;
    request.url = url.c_str();
    request.requireServiceUrl = true;
    request.text = text;
    if (!HttpGet(request)) {
        text[0] = L'\0';
        return FALSE;
    }
    text[NoticeFirstLine(ToU16(std::wstring(text))).size()] = L'\0';
    return TRUE;
}

BOOL ShouldShowNotice(const wchar_t* text) {
    if (text == nullptr || text[0] == L'\0') return FALSE;
    const std::wstring ini = LocalIniPath();
    wchar_t stored[settings::kNoticeLineChars] = {};
    wchar_t enable[8] = {};
    if (!ini.empty()) {
        GetPrivateProfileStringW(settings::kIniSection, settings::kKeyNoticeLine, L"", stored,
                                 settings::kNoticeLineChars, ini.c_str());
        GetPrivateProfileStringW(settings::kIniSection, settings::kKeyNoticeEnabled, L"", enable, 8, ini.c_str());
    }
    return IsNoticeWanted(ToU16(std::wstring(text)), ToU16(std::wstring(stored)), ToU16(std::wstring(enable)))
               ? TRUE
               : FALSE;
}

NoticeContent FetchNotice() {
    NoticeContent content;
    wchar_t text[settings::kNoticeLineChars] = {};
    if (!FetchNoticeText(text) || !ShouldShowNotice(text)) return content;
    const auto fields = ParseNoticeLine(ToU16(std::wstring(text)));
    if (!fields) return content;
    wchar_t today[64] = {};
    FormatToday(today);
    if (IsNoticeExpired(fields->expiry, ToU16(std::wstring(today)))) return content;
    content.show = true;
    content.line = text;
    content.fields = *fields;
    if (!fields->pictureUrl.empty()) {
        // The address as the pop-up keeps it (cut to its field's size).
        wchar_t url[kNoticePictureChars] = {};
        CopyField(url, std::size(url), fields->pictureUrl);
        if (HBITMAP picture = FetchNoticePicture(url)) content.picture = std::make_shared<CBitmap>(picture);
    }
    return content;
}

}  // namespace vorn

CPopInfoDlg::CPopInfoDlg() : CDlgEx(vorn::kNoticeTemplate) {}

CPopInfoDlg::~CPopInfoDlg() {
    if (m_hWnd != nullptr) DestroyWindow();
}

BOOL CPopInfoDlg::CreateAndShow() {
    if (m_hWnd != nullptr) return FALSE;
    return CreateAndShow(vorn::FetchNotice());
}

BOOL CPopInfoDlg::CreateAndShow(vorn::NoticeContent content) {
    if (m_hWnd != nullptr) return FALSE;
    m_content = std::move(content);
    if (!Create(vorn::kNoticeTemplate, nullptr)) return FALSE;
    // A notice that was not accepted has hidden itself and is closing.
    RECT placed{};
    GetWindowRect(m_hWnd, &placed);
    // Without taking the focus: the player may be typing in a game.
    if (OwnerVisible() && placed.right > placed.left) ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    return TRUE;
}

void CPopInfoDlg::DoDataExchange(CDataExchange* dx) {
    CDlgEx::DoDataExchange(dx);
    DDX_Control(dx, kPictureId, m_stcPicture);
    DDX_Control(dx, kTitleId, m_stcTitle);
    DDX_Control(dx, kContentId, m_stcContent);
    DDX_Control(dx, kLinkId, m_stcLink);
}

bool CPopInfoDlg::AcceptNotice() {
    if (!m_content.show) return false;
    const vorn::NoticeFields& fields = m_content.fields;
    CopyField(m_szNoticeId, std::size(m_szNoticeId), fields.id);
    CopyField(m_szExpiry, std::size(m_szExpiry), fields.expiry);
    CopyField(m_szTitle, std::size(m_szTitle), fields.title);
    CopyField(m_szLink, std::size(m_szLink), fields.link);
    CopyField(m_szContent, std::size(m_szContent), fields.content);
    CopyField(m_szPicUrl, std::size(m_szPicUrl), fields.pictureUrl);
    m_nRepeat = fields.repeat;

    StoreNoticeValue(vorn::settings::kKeyNoticeLine, m_content.line.c_str());
    StoreNoticeValue(vorn::settings::kKeyNoticeEnabled, L"1");
    return true;
}

BOOL CPopInfoDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    const LONG exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);

    const bool shown = AcceptNotice();
    if (shown) {
        // Topmost before the skin makes its buttons: a window that already owns a tool tip
        // does not always become topmost afterwards.
        SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        LayOut();
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        RECT own{};
        GetWindowRect(m_hWnd, &own);
        SetWindowPos(m_hWnd, HWND_TOPMOST, work.right - (own.right - own.left), work.bottom - (own.bottom - own.top),
                     0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_HIDEWINDOW | SWP_NOACTIVATE);
        PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    m_content.picture.reset();  // the statics keep copies
    SetTimer(m_hWnd, kShowTimer, kShowMs, nullptr);
    return TRUE;
}

void CPopInfoDlg::LayOut() {
    HINSTANCE module = AfxGetInstanceHandle();
    m_nCaptionHeight = 0;
    m_nBtnSpacing = 0;
    const bool hasPicture = m_szPicUrl[0] != L'\0';
    const bool hasContent = m_szContent[0] != L'\0';
    UINT back = IDB_PNG_NOTICE_TEXT_BACK, close = IDB_PNG_NOTICE_CLOSE;
    if (hasPicture && !hasContent) {
        // The close strip is as tall as the caption with its line: from the top it ends on
        // the line, where a row lower its last row covered the picture's first with the skin.
        m_nBorder = m_nBtnRightMargin = m_nBtnTop = 0;
        back = IDB_PNG_NOTICE_PICTURE_BACK;
        close = IDB_PNG_NOTICE_PICTURE_CLOSE;
        // The picture-only skin has round corners keyed out in magenta.
        SetWindowLongW(m_hWnd, GWL_EXSTYLE, GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
        SetLayeredWindowAttributes(m_hWnd, kSkinKeyColour, 0, LWA_COLORKEY);
    } else {
        m_nBorder = m_nBtnRightMargin = m_nBtnTop = 3;
        if (hasPicture) back = IDB_PNG_NOTICE_BACK;
    }
    const CBitmap closeStrip = LoadSkinPicture(module, close);  // copied by the button
    SetSkin(LoadSkinPicture(module, back).Detach(), 1, 0, closeStrip, nullptr, nullptr, nullptr);

    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int width = client.right, height = client.bottom;
    if (hasPicture && !hasContent) {
        if (m_content.picture != nullptr) m_stcContent.SetImage(*m_content.picture);
        SetLabelText(m_stcContent, L"");
        MakeClickable(m_stcContent, kTextColour);
        m_stcContent.m_bHoverColor = 0;
        ShowAt(m_stcContent, -3, 22, width + 3, height - 22);
        return;
    }
    if (hasPicture) {
        if (m_content.picture != nullptr) m_stcPicture.SetImage(*m_content.picture);
        SetLabelText(m_stcPicture, L"");
        ShowAt(m_stcPicture, 15, 67, 75, 80);
    }
    PlaceTextStatics(hasPicture, width);
}

void CPopInfoDlg::PlaceTextStatics(bool withPicture, int width) {
    MakeClickable(m_stcTitle, kTitleColour);
    m_stcTitle.m_nFontWeight = 700;
    MakeClickable(m_stcContent, kTextColour);
    MakeClickable(m_stcLink, kTextColour);
    const std::u16string content = vorn::ToU16(std::wstring(m_szContent));
    SetLabelText(m_stcContent,
                 vorn::ToWide(vorn::ShortenNoticeText(content, withPicture ? kContentWithPicture : kContentAlone)));
    const int titleWidth = withPicture ? width - 120 : width;
    SetLabelText(m_stcTitle, FitOneLine(m_stcTitle, m_szTitle, titleWidth));
    if (withPicture) {
        ShowAt(m_stcTitle, 100, 48, width - 120, 15);
        ShowAt(m_stcContent, 100, 68, width - 116, 13);
        ShowAt(m_stcLink, 195, 168, 42, 13);
    } else {
        // Across the whole width, so centred.
        const LONG style = GetWindowLongW(m_stcTitle.m_hWnd, GWL_STYLE);
        SetWindowLongW(m_stcTitle.m_hWnd, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_CENTER);
        ShowAt(m_stcTitle, 0, 45, width, 15);
        ShowAt(m_stcContent, 18, 65, width - 34, 13);
        ShowAt(m_stcLink, 195, 145, 42, 13);
    }
}

void CPopInfoDlg::OnOK() {}

void CPopInfoDlg::OnCancel() {}

void CPopInfoDlg::Close() {
    StopTimers();
    // Hidden for good rather than ended as a dialog: ending a modeless dialog enables its
    // owner, the launcher, which a login dialog may be holding disabled at that moment.
    ShowWindow(m_hWnd, SW_HIDE);
}

void CPopInfoDlg::StopTimers() {
    // Both: a closed notice must not come back when a pause ends.
    KillTimer(m_hWnd, kShowTimer);
    KillTimer(m_hWnd, kPauseTimer);
}

bool CPopInfoDlg::OwnerVisible() const {
    HWND owner = m_hWnd != nullptr ? GetWindow(m_hWnd, GW_OWNER) : nullptr;
    return owner != nullptr && IsWindowVisible(owner);
}

void CPopInfoDlg::OnTimer(UINT_PTR id) {
    if (id == kShowTimer) {
        KillTimer(m_hWnd, kShowTimer);
        if (g_nNoticeShows < m_nRepeat) {
            SetTimer(m_hWnd, kPauseTimer, kPauseMs, nullptr);
            ShowWindow(m_hWnd, SW_HIDE);
        } else {
            Close();
            StoreNoticeValue(vorn::settings::kKeyNoticeEnabled, L"1");
        }
    } else if (id == kPauseTimer) {
        ++g_nNoticeShows;
        KillTimer(m_hWnd, kPauseTimer);
        SetTimer(m_hWnd, kShowTimer, kShowMs, nullptr);
        if (OwnerVisible()) ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    }
}

bool CPopInfoDlg::HandleSystemCommand(WPARAM command) {
    switch (command & 0xFFF0) {
    case SC_CLOSE:
        Close();
        StoreNoticeValue(vorn::settings::kKeyNoticeEnabled, L"0");
        return true;
    case SC_MINIMIZE:
        Close();
        return true;
    default:
        return false;
    }
}

void CPopInfoDlg::OnNoticeClicked() {
    Close();
    if (m_szLink[0] != L'\0' && vorn::IsOpenableNoticeLink(vorn::ToU16(std::wstring(m_szLink)))) {
        ShellExecuteW(nullptr, L"open", m_szLink, nullptr, nullptr, SW_SHOWMAXIMIZED);
    }
    StoreNoticeValue(vorn::settings::kKeyNoticeEnabled, L"0");
}

BOOL CPopInfoDlg::PreTranslateMessage(MSG* msg) {
    if (msg->hwnd == m_hWnd && msg->message == WM_SYSCOMMAND && HandleSystemCommand(msg->wParam)) return TRUE;
    return CDlgEx::PreTranslateMessage(msg);
}

BOOL CPopInfoDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == STN_CLICKED && (id == kTitleId || id == kContentId || id == kLinkId)) {
        OnNoticeClicked();
        return TRUE;
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

LRESULT CPopInfoDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_SYSCOMMAND:
        // Sent directly (Alt+F4, the system menu) rather than posted past the loop.
        if (HandleSystemCommand(wParam)) return 0;
        break;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
