#pragma once
// The game window's document and its one view: the game page (or the game-hall page) in
// the browser. The view keeps the page's title and address for the favourites, places and
// shows the frame inside the launcher when its first page has arrived, and carries out the hall
// page's "entergame" command.
#include "framework/HtmlView.h"

class CGmWndDoc : public CDocument {
public:
    BOOL OnNewDocument() override;
};

class CGmWndView : public CHtmlView {
public:
    CGmWndView() = default;
    ~CGmWndView() override;

    // The frame's place inside the launcher's client area: inset 4 at left, right and
    // bottom and 30 at the top (the launcher's caption and tab strip).
    static RECT FramePlacement(const RECT& launcherClient);

    void OnInitialUpdate() override;

protected:
    int OnCreate(LPCREATESTRUCTW cs) override;
    HRESULT OnGetHostInfo(DOCHOSTUIINFO* info) override;
    void OnTitleChange(const wchar_t* title) override;
    void OnNavigateComplete2(const wchar_t* url) override;
    void OnBeforeNavigate2(const wchar_t* url, DWORD flags, const wchar_t* target, VARIANT* postData,
                           const wchar_t* headers, BOOL* cancel) override;

private:
    bool m_bPlaced = false;  // the first completed navigation has placed and shown the frame
};
