#pragma once
// The always-on-top dialog that shows the download of a new executable, and the swap of
// the running executable for it.
#include <windows.h>

#include <atomic>

#include "online/HttpClient.h"
#include "skin/DlgEx.h"
#include "skin/ImgProgress.h"

class CPrgsDlg : public CDlgEx {
public:
    CPrgsDlg();
    ~CPrgsDlg() override;

    CImgProgress m_progress;
    wchar_t m_szUrl[512] = {};
    wchar_t m_szFile[260] = {};
    HANDLE m_hDownloadThread = nullptr;
    HANDLE m_hCloserThread = nullptr;
    // The open target file and the three WinINet handles of the download.
    vorn::HttpHandles m_transfer;
    std::atomic<BOOL> m_bSuccess{FALSE};

    // Cancels the transfer, waits until both worker threads have ended and closes their
    // handles. The window does this when it is destroyed, so the dialog is never left
    // while its workers can still touch it, and it can run again.
    void WaitForWorkers();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;  // Enter does nothing
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static DWORD WINAPI DownloadThread(void* parameter);
    static DWORD WINAPI CloseWhenDoneThread(void* parameter);
};

namespace vorn {

// Downloads the executable at updAddr beside the running one under the progress dialog,
// checks that it is the release the configuration names (expectedKey), and swaps it in.
// TRUE only when the running executable's file now holds the new release; otherwise
// nothing is replaced and the download is removed. Nothing is downloaded when expectedKey
// names no release (empty or malformed).
BOOL RunUpdateDownload(CPrgsDlg& dialog, const wchar_t* updAddr, const wchar_t* expectedKey);

}  // namespace vorn
