#include "online/ProgressDialog.h"

#include <string>

#include "common/BuildSettings.h"
#include "common/FileReplace.h"
#include "common/Settings.h"
#include "common/ModulePath.h"
#include "online/UpdateCheck.h"
#include "online/UpdateRules.h"
#include "res/resource.h"
#include "skin/MessageBox.h"
#include "skin/SkinImage.h"

namespace {

constexpr UINT kProgressTemplate = 156;
constexpr int kProgressBarId = 1000;
// Sent by the closer thread: the dialog ends itself on its own thread with the result.
constexpr UINT kMsgDownloadEnded = WM_APP + 56;

void ScheduleRemoval(const wchar_t* path) {
    if (!DeleteFileW(path)) MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

CPrgsDlg::CPrgsDlg() : CDlgEx(kProgressTemplate) {}

CPrgsDlg::~CPrgsDlg() { WaitForWorkers(); }

void CPrgsDlg::DoDataExchange(CDataExchange* dx) {
    CDlgEx::DoDataExchange(dx);
    DDX_Control(dx, kProgressBarId, m_progress);
}

BOOL CPrgsDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseBoxCaptionLayout();
    SetTitle(L"版本更新中...");
    HINSTANCE module = AfxGetInstanceHandle();
    HBITMAP close = LoadSkinBitmap(module, IDB_PNG_CLOSE);
    SetSkin(LoadSkinBitmap(module, IDB_PNG_DIALOG_BACK), 0, 1, close, nullptr, nullptr, nullptr);
    if (close != nullptr) DeleteObject(close);  // the close strip is copied by SetSkin

    RECT desktop{}, own{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(m_hWnd, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    SetWindowPos(m_hWnd, HWND_TOPMOST, desktop.left + (desktop.right - desktop.left - width) / 2,
                 desktop.top + (desktop.bottom - desktop.top - height) / 2, 0, 0, SWP_NOSIZE);
    m_progress.SetImages(LoadSkinBitmap(module, IDB_PNG_PROGRESS_TROUGH),
                         LoadSkinBitmap(module, IDB_PNG_PROGRESS_FILL));

    // Each run starts afresh: the previous run's workers ended with its window.
    m_transfer.Reset();
    m_bSuccess = FALSE;
    m_hDownloadThread = CreateThread(nullptr, 0, &CPrgsDlg::DownloadThread, this, 0, nullptr);
    m_hCloserThread = CreateThread(nullptr, 0, &CPrgsDlg::CloseWhenDoneThread, this, 0, nullptr);
    if (m_hDownloadThread == nullptr || m_hCloserThread == nullptr) PostMessageW(m_hWnd, kMsgDownloadEnded, 0, 0);
    return TRUE;
}

void CPrgsDlg::OnOK() {}

void CPrgsDlg::OnCancel() {
    // Closing the transfer's handles makes the blocked read fail at once, so the worker
    // ends on its own; killing it could leave a system lock held for the rest of the run.
    m_transfer.CloseAll();
    CDialog::OnCancel();
}

LRESULT CPrgsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kMsgDownloadEnded) {
        EndDialog(wParam != 0 && !m_transfer.cancelled.load() ? IDOK : IDCANCEL);
        return 0;
    }
    if (msg == WM_DESTROY) WaitForWorkers();
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

DWORD WINAPI CPrgsDlg::DownloadThread(void* parameter) {
    auto* dialog = static_cast<CPrgsDlg*>(parameter);
    vorn::HttpGetRequest request;
    request.url = dialog->m_szUrl;
    request.requireServiceUrl = true;
    request.filePath = dialog->m_szFile;
    request.progressBar = dialog->m_progress.m_hWnd;
    request.handles = &dialog->m_transfer;
    dialog->m_bSuccess = vorn::HttpGet(request);
    return 0;
}

DWORD WINAPI CPrgsDlg::CloseWhenDoneThread(void* parameter) {
    auto* dialog = static_cast<CPrgsDlg*>(parameter);
    WaitForSingleObject(dialog->m_hDownloadThread, INFINITE);
    PostMessageW(dialog->m_hWnd, kMsgDownloadEnded, dialog->m_bSuccess.load() ? 1 : 0, 0);
    return 0;
}

void CPrgsDlg::WaitForWorkers() {
    m_transfer.CloseAll();
    for (HANDLE* thread : {&m_hCloserThread, &m_hDownloadThread}) {
        if (*thread == nullptr) continue;
        // The download thread may be waiting in a sent progress message: keep taking
        // sent messages while waiting. No time limit: the workers use this object until
        // they end, and with its handles closed a transfer ends within the network
        // library's own time-outs.
        for (;;) {
            const DWORD wait = MsgWaitForMultipleObjects(1, thread, FALSE, INFINITE, QS_SENDMESSAGE);
            if (wait != WAIT_OBJECT_0 + 1) break;  // ended, or the handle is unusable
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        CloseHandle(*thread);
        *thread = nullptr;
    }
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
        return FALSE;
    }
    // The configuration names the release by its digest: a damaged or foreign download
    // must not replace a working executable. The release's version digits are its own,
    // not this program's.
    if (!IsFileOfRelease(ToU16(expectedKey), ToU16(FileMd5Hex(newPath.c_str())))) {
        ScheduleRemoval(newPath.c_str());
        return FALSE;
    }
    // A running executable can be renamed but not overwritten: move it aside, then move
    // the download into its name. Only the instant between the two renames has no
    // executable under the program's name.
    if (!MoveIntoPlace(exe, oldPath, "update.aside")) {
        ScheduleRemoval(newPath.c_str());
        return FALSE;
    }
    if (!MoveIntoPlace(newPath, exe, "update.swap")) {
        // Put the old one back; should its rename fail too, a fresh copy of it will do,
        // since the program's own name is free. Only when both fail is the player told.
        if (!MoveIntoPlace(oldPath, exe, "update.rollback") &&
            CopyIntoPlace(oldPath, exe, "update.restore") != ReplaceStep::kDone) {
            const std::wstring text = L"更新失败，登录器文件未能恢复。\r\n请重新安装，或把 " + oldPath + L" 改名为 " + exe;
            ShowMessage(0, build::kWindowTitle, text.c_str(), nullptr);
        }
        ScheduleRemoval(newPath.c_str());
        return FALSE;
    }
    MoveFileExW(oldPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return TRUE;
}

}  // namespace vorn
