#pragma once
// Adds the game page to the user's browser favourites: asks for the name (the page title
// to start with) and writes an Internet Shortcut file into the Favorites folder.
#include <string>

#include "framework/Dialog.h"

class CFavDlg : public CDialog {
public:
    CFavDlg(const std::wstring& name, const std::wstring& url, CWnd* parent);

    std::wstring m_strName;  // proposed name
    std::wstring m_strUrl;   // the address to store

    // Writes the favourite file for url under name into folder; FALSE when it could not.
    static BOOL WriteFavorite(const std::wstring& folder, const std::wstring& name, const std::wstring& url);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
};
