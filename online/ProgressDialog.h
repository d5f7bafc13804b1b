#pragma once
// The always-on-top dialog that shows the download of a new executable, and the swap of
// the running executable for it.
#include <windows.h>

#include <memory>

#include "common/KernelHandle.h"
#include "online/HttpClient.h"
#include "skin/DlgEx.h"
#include "skin/ImgProgress.h"

namespace vorn {
struct UpdateTransfer;
}  // namespace vorn

class CPrgsDlg : public CDlgEx {
public:
    CPrgsDlg();
    ~CPrgsDlg() override;

    CImgProgress m_progress;
    wchar_t m_szUrl[512] = {};
    wchar_t m_szFile[260] = {};

    // Cancels the transfer and lets its worker go. The worker is given a moment to end
    // (a cancelled transfer returns within a fraction of a second and removes its
    // partial file), but never waited for beyond that: it owns what it uses. The window
    // does this when it is destroyed, so the dialog can run again at once.
    void ReleaseWorker();

    // The last run failed because the service's answer was refused (an address outside the
    // service, or a body too large), not because the line failed or the player cancelled.
    bool Refused() const { return m_bRefused; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;  // Enter does nothing
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static DWORD WINAPI DownloadThread(void* parameter);

    vorn::KernelHandle m_hWorker;
    std::shared_ptr<vorn::UpdateTransfer> m_job;  // shared with the worker
    bool m_bRefused = false;
};

namespace vorn {

// Downloads the executable at updAddr beside the running one under the progress dialog,
// checks that it is the release the configuration names (expectedKey) and, when the
// running program is signed, that its own publisher signed it, and swaps it in. TRUE only
// when the running executable's file now holds the new release; otherwise nothing is
// replaced, the download is removed, and a refusal (host, digest, signature, swap) is kept
// for the scheduled check. Nothing is downloaded when expectedKey names no release.
BOOL RunUpdateDownload(CPrgsDlg& dialog, const wchar_t* updAddr, const wchar_t* expectedKey);

}  // namespace vorn
