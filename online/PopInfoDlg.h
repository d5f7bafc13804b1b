#pragma once
// The notice pop-up: one line published by the service, shown in the bottom-right corner
// above every window for 11 seconds, hidden for 40 minutes and shown again as often as the
// line asks; what the player did with it is remembered in the settings file beside the
// executable.
#include <windows.h>

#include <memory>
#include <string>

#include "framework/GdiObject.h"
#include "online/NoticeRules.h"
#include "skin/DlgEx.h"
#include "skin/StaticEx.h"

// How many times the notice has come back after its first showing in this process.
extern int g_nNoticeShows;

namespace vorn {

inline constexpr UINT kNoticeTemplate = 160;

// Fetches the notice line from the service into text (1024 characters), converted from the
// ANSI code page and cut at its first line break. FALSE, with an empty text, when there is
// none.
BOOL FetchNoticeText(wchar_t* text /* [1024] */);

// Whether the line is to be shown, by what is stored about the last notice shown.
BOOL ShouldShowNotice(const wchar_t* text);

// What the notice pop-up shows, with everything it has to ask the service for.
struct NoticeContent {
    bool show = false;  // a line to show: new or wanted again, well formed, not expired
    std::wstring line;  // the line as fetched, stored once the notice is shown
    NoticeFields fields;
    std::shared_ptr<CBitmap> picture;  // null without one
};

// Fetches the line, decides whether it is to be shown and fetches its picture. It waits
// for the network: a window calls it on a thread of its own and shows the result.
NoticeContent FetchNotice();

}  // namespace vorn

class CPopInfoDlg : public CDlgEx {
public:
    CPopInfoDlg();
    ~CPopInfoDlg() override;

    // Creates the pop-up modeless from its template (owned by the application's main
    // window) with the content fetched, and shows it when that owner is visible; the
    // pop-up closes itself at once when there is nothing to show. FALSE when it exists
    // already or cannot be created.
    BOOL CreateAndShow(vorn::NoticeContent content);
    // The same, fetching the content first on this thread (tools that have nothing else
    // to do meanwhile).
    BOOL CreateAndShow();

    BOOL PreTranslateMessage(MSG* msg) override;

    wchar_t m_szNoticeId[32] = {};
    wchar_t m_szExpiry[32] = {};
    wchar_t m_szTitle[64] = {};
    wchar_t m_szLink[512] = {};
    wchar_t m_szContent[512] = {};
    wchar_t m_szPicUrl[512] = {};
    int m_nRepeat = 0;

    CStaticEx m_stcPicture;  // 1019
    CStaticEx m_stcTitle;    // 1020
    CStaticEx m_stcContent;  // 1021
    CStaticEx m_stcLink;     // 1022

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;      // Enter does nothing
    void OnCancel() override;  // nor does Escape
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Takes the fetched content into the fields and stores the line as the last one shown;
    // false when there is nothing to show.
    bool AcceptNotice();
    void LayOut();
    void PlaceTextStatics(bool withPicture, int width);
    vorn::NoticeContent m_content;
    void OnTimer(UINT_PTR id);
    // True when the message was a close or minimise request, which it then carried out.
    bool HandleSystemCommand(WPARAM command);
    void OnNoticeClicked();
    void Close();
    void StopTimers();
    bool OwnerVisible() const;
};
