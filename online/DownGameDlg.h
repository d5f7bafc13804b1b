#pragma once
// The game download dialog: fetches another launcher's configuration from the service,
// downloads the installer it names into the data folder under a progress bar, starts it
// (when the running program is signed, only if its own publisher signed the installer),
// and reports the outcome in its title. Shown modally by the game hall's "entergame"
// command when that launcher is not installed.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/KernelHandle.h"
#include "online/GameDownloadRules.h"
#include "online/SignatureRules.h"
#include "skin/BtnEx.h"
#include "skin/DlgEx.h"
#include "skin/ImgProgress.h"
#include "skin/StaticEx.h"

namespace vorn {

inline constexpr UINT kDownGameTemplate = 163;
struct GameDownloadJob;

}  // namespace vorn

// The image progress bar, telling its owner every position it is given (on the bar's own
// thread, whoever sent the position).
class CDownloadBar : public CImgProgress {
public:
    std::function<void(int)> m_onPosition;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class CDownGameDlg : public CDlgEx {
public:
    // Starts a program file as a new process without arguments; FALSE when it did not start.
    using ProgramStarter = BOOL (*)(const wchar_t* path);

    // name: the other launcher's name, as the game hall gives it with its first letter
    // upper case. startProgram starts the downloaded installer.
    CDownGameDlg(const std::wstring& name, CWnd* parent, ProgramStarter startProgram);
    ~CDownGameDlg() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    std::wstring m_strName;
    std::wstring m_strConfigUrl;      // the other launcher's configuration address
    wchar_t m_szInstallerPath[260] = {};  // where its installer is downloaded
    vorn::KernelHandle m_hThread;         // the worker, until it has ended
    CDownloadBar m_progress;          // 1025
    CBtnEx m_btnOK;                   // 1, enabled once the worker has finished
    CBtnEx m_btnCancel;               // 2, disabled then
    CStaticEx m_stcProgress;          // 1024, the percentage

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool StartDownload();
    void Finish(vorn::GameDownloadOutcome outcome, vorn::DownloadTrust trust);
    void SetLabel(const std::wstring& text);
    // Stops a transfer in progress (closing its file and handles) and lets the worker end.
    void StopWorker();
    void WaitForWorker();
    static DWORD WINAPI Worker(void* parameter);

    ProgramStarter m_startProgram;
    std::shared_ptr<vorn::GameDownloadJob> m_job;
};
