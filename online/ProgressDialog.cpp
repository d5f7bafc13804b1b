#include "online/ProgressDialog.h"

#include <atomic>
#include <memory>
#include <string>

#include "common/BuildSettings.h"
#include "common/FileReplace.h"
#include "common/Settings.h"
#include "common/ModulePath.h"
#include "framework/GdiObject.h"
#include "online/SignatureCheck.h"
#include "online/UpdateCheck.h"
#include "online/UpdateRules.h"
#include "res/resource.h"
#include "skin/MessageBox.h"
#include "skin/SkinImage.h"

namespace vorn {

// What the download worker uses, shared with it: a cancelled dialog does not wait for
// its worker, which then finishes on its own.
struct UpdateTransfer {
    std::wstring url;
    std::wstring file;
    HWND dialog = nullptr;
    HWND bar = nullptr;
    HttpHandles handles;                 // the transfer's cancel switch
    bool refused = false;                // the service's answer was refused, not lost
    std::atomic<bool> released{false};   // the dialog has let it go: tell it nothing more
};

}  // namespace vorn

namespace {

constexpr UINT kProgressTemplate = 156;
constexpr int kProgressBarId = 1000;
// Posted by the worker: the dialog ends itself on its own thread with the result
// (wParam: one of the kDownload... values).
constexpr UINT kMsgDownloadEnded = WM_APP + 56;
constexpr WPARAM kDownloadFailed = 0, kDownloadWhole = 1, kDownloadRefused = 2;
// How long a cancelled dialog gives its worker to end before it lets it go.
constexpr DWORD kWorkerGraceMs = 1000;

void ScheduleRemoval(const wchar_t* path) {
    if (!DeleteFileW(path)) MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// A download that is not to be used: removed through its hold, so that what goes is the
// file that was checked.
void Discard(vorn::KernelHandle& held, const std::wstring& path) {
    const bool deleted = vorn::DeleteHeldFile(held.get());
    held.Close();
    if (!deleted) ScheduleRemoval(path.c_str());
}

}  // namespace

CPrgsDlg::CPrgsDlg() : CDlgEx(kProgressTemplate) {}

CPrgsDlg::~CPrgsDlg() { ReleaseWorker(); }

void CPrgsDlg::DoDataExchange(CDataExchange* dx) {
    CDlgEx::DoDataExchange(dx);
    DDX_Control(dx, kProgressBarId, m_progress);
}

BOOL CPrgsDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseBoxCaptionLayout();
    SetTitle(L"版本更新中...");
    HINSTANCE module = AfxGetInstanceHandle();
    const CBitmap close = LoadSkinPicture(module, IDB_PNG_CLOSE);  // the close strip is copied by SetSkin
    SetSkin(LoadSkinPicture(module, IDB_PNG_DIALOG_BACK).Detach(), 0, 1, close, nullptr, nullptr, nullptr);

    RECT desktop{}, own{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(m_hWnd, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(m_hWnd, HWND_TOPMOST, desktop.left + (desktop.right - desktop.left - width) / 2,
                 desktop.top + (desktop.bottom - desktop.top - height) / 2, 0, 0, SWP_NOSIZE);
    m_progress.SetImages(LoadSkinPicture(module, IDB_PNG_PROGRESS_TROUGH).Detach(),
                         LoadSkinPicture(module, IDB_PNG_PROGRESS_FILL).Detach());

    // Each run has a transfer of its own: the previous run's worker may still be ending.
    auto job = std::make_shared<vorn::UpdateTransfer>();
    job->url = m_szUrl;
    job->file = m_szFile;
    job->dialog = m_hWnd;
    job->bar = m_progress.m_hWnd;
    m_bRefused = false;
    auto* handOver = new std::shared_ptr<vorn::UpdateTransfer>(job);
    m_hWorker.Attach(CreateThread(nullptr, 0, &CPrgsDlg::DownloadThread, handOver, 0, nullptr));
    if (!m_hWorker) {
        delete handOver;
        PostMessageW(m_hWnd, kMsgDownloadEnded, kDownloadFailed, 0);
    } else {
        m_job = std::move(job);
    }
    return TRUE;
}

void CPrgsDlg::OnOK() {}

void CPrgsDlg::OnCancel() {
    // Closing the transfer's handles stops it, and the worker ends on its own (killing it
    // could leave a system lock held for the rest of the run); the dialog does not wait
    // for the transfer to notice.
    if (m_job) m_job->handles.CloseAll();
    CDialog::OnCancel();
}

LRESULT CPrgsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kMsgDownloadEnded) {
        m_bRefused = wParam == kDownloadRefused;
        EndDialog(wParam == kDownloadWhole && m_job && !m_job->handles.cancelled.load() ? IDOK : IDCANCEL);
        return 0;
    }
    if (msg == WM_DESTROY) ReleaseWorker();
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

DWORD WINAPI CPrgsDlg::DownloadThread(void* parameter) {
    std::shared_ptr<vorn::UpdateTransfer> job;
    {
        std::unique_ptr<std::shared_ptr<vorn::UpdateTransfer>> handOver(
            static_cast<std::shared_ptr<vorn::UpdateTransfer>*>(parameter));
        job = *handOver;
    }
    vorn::HttpGetRequest request;
    request.url = job->url.c_str();
    request.requireServiceUrl = true;
    request.filePath = job->file.c_str();
    request.progressBar = job->bar;  // gone with the dialog: positions then go nowhere
    request.handles = &job->handles;
    request.refused = &job->refused;
    const BOOL ok = vorn::HttpGet(request);
    const WPARAM end = ok ? kDownloadWhole : job->refused ? kDownloadRefused : kDownloadFailed;
    if (!job->released.load()) PostMessageW(job->dialog, kMsgDownloadEnded, end, 0);
    return 0;
}

void CPrgsDlg::ReleaseWorker() {
    if (m_job) m_job->handles.CloseAll();
    if (m_hWorker) {
        // The worker may be waiting in a sent progress position: keep taking sent
        // messages while it ends.
        const HANDLE worker = m_hWorker.get();
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            const ULONGLONG passed = GetTickCount64() - start;
            if (passed >= kWorkerGraceMs) break;
            const DWORD wait = MsgWaitForMultipleObjects(1, &worker, FALSE, static_cast<DWORD>(kWorkerGraceMs - passed),
                                                         QS_SENDMESSAGE);
            if (wait != WAIT_OBJECT_0 + 1) break;  // ended, timed out, or the handle is unusable
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        m_hWorker.Close();
    }
    if (m_job) m_job->released.store(true);
    m_job.reset();
}

namespace vorn {

BOOL RunUpdateDownload(CPrgsDlg& dialog, const wchar_t* updAddr, const wchar_t* expectedKey) {
    const std::wstring exe = GetModulePath(nullptr);
    const std::wstring newPath = GetModulePath(settings::kFileNewExecutable);
    const std::wstring oldPath = GetModulePath(settings::kFileOldExecutable);
    if (exe.empty() || newPath.empty() || oldPath.empty()) return FALSE;
    // Without a key naming a release no download could ever be accepted: fetch nothing.
    if (expectedKey == nullptr || !IsReleaseKey(ToU16(expectedKey))) return FALSE;
    lstrcpynW(dialog.m_szUrl, updAddr != nullptr ? updAddr : L"", 512);
    lstrcpynW(dialog.m_szFile, newPath.c_str(), MAX_PATH);
    const INT_PTR result = dialog.DoModal();
    if (result != IDOK) {
        ScheduleRemoval(newPath.c_str());
        if (dialog.Refused()) WriteUpdateRefusal();
        return FALSE;
    }
    // From here to its rename into the program's name, nobody but this process can change,
    // replace or remove the download: what is checked is what is started.
    KernelHandle held = HoldDownloadedFile(newPath);
    if (!held) {
        ScheduleRemoval(newPath.c_str());
        return FALSE;
    }
    // The configuration names the release by its digest: a damaged or foreign download
    // must not replace a working executable. The release's version digits are its own,
    // not this program's.
    if (!IsFileOfRelease(ToU16(expectedKey), ToU16(FileMd5Hex(held.get())))) {
        Discard(held, newPath);
        WriteUpdateRefusal();
        return FALSE;
    }
    // The digest came over the same plain line as the file: only the signature tells who
    // made it.
    const DownloadTrust trust = CheckHeldDownload(held.get(), newPath);
    if (trust != DownloadTrust::kAccepted) {
        Discard(held, newPath);
        WriteUpdateRefusal();
        ShowMessage(0, build::kWindowTitle, ToWide(std::u16string(RefusedDownloadText(trust, true))).c_str(), nullptr);
        return FALSE;
    }
    // A running executable can be renamed but not overwritten: move it aside, then move
    // the download into its name. Only the instant between the two renames has no
    // executable under the program's name.
    if (!MoveIntoPlace(exe, oldPath, "update.aside")) {
        Discard(held, newPath);
        WriteUpdateRefusal();
        return FALSE;
    }
    if (!RenameHeldFile(held.get(), exe, "update.swap")) {
        // Put the old one back; should its rename fail too, a fresh copy of it will do,
        // since the program's own name is free. Only when both fail is the player told.
        if (!MoveIntoPlace(oldPath, exe, "update.rollback") &&
            CopyIntoPlace(oldPath, exe, "update.restore") != ReplaceStep::kDone) {
            const std::wstring text = L"更新失败，登录器文件未能恢复。\r\n请重新安装，或把 " + oldPath + L" 改名为 " + exe;
            ShowMessage(0, build::kWindowTitle, text.c_str(), nullptr);
        }
        Discard(held, newPath);
        WriteUpdateRefusal();
        return FALSE;
    }
    held.Close();
    MoveFileExW(oldPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return TRUE;
}

}  // namespace vorn
