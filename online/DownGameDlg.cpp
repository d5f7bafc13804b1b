#include "online/DownGameDlg.h"

#include <commctrl.h>

#include "common/BuildSettings.h"
#include "common/FileReplace.h"
#include "common/Locations.h"
#include "common/ModulePath.h"
#include "common/ServiceAddress.h"
#include "common/Settings.h"
#include "common/WideText.h"
#include "framework/GdiObject.h"
#include "online/GameDownloadRules.h"
#include "online/HttpClient.h"
#include "online/SignatureCheck.h"
#include "res/resource.h"
#include "skin/SkinImage.h"

namespace vorn {

// What the worker needs, shared with it: a cancelled dialog may end before its worker
// does, and the worker then finishes (and cleans up) on its own.
struct GameDownloadJob {
    std::wstring configUrl;
    std::wstring configFile;       // name + ".ini" beside the executable, while it is read
    std::wstring installerPath;    // in the data folder's download folder
    HWND dialog = nullptr;
    HWND bar = nullptr;
    CDownGameDlg::ProgramStarter startProgram = nullptr;
    HttpHandles transfer;  // the cancel switch of its transfers
};

}  // namespace vorn

namespace {

constexpr int kLabelId = 1024, kBarId = 1025;
// Posted by the worker when it has finished: wParam the outcome, lParam the verdict on a
// refused installer's signature.
constexpr UINT kMsgWorkerDone = WM_APP + 57;
constexpr DWORD kWorkerExitWaitMs = 5000;
constexpr wchar_t kConfigPath[] = L"/update/ConfigZelqa7.htm";
constexpr COLORREF kLabelColour = RGB(72, 81, 86);

// The installer address named by the other launcher's configuration; false when the
// configuration could not be fetched whole. The file is removed either way.
bool FetchInstallerAddress(vorn::GameDownloadJob& job, std::wstring& address) {
    vorn::HttpGetRequest request;
    request.url = job.configUrl.c_str();
    request.filePath = job.configFile.c_str();
    request.maxBytes = vorn::kConfigReplyBytes;
    request.handles = &job.transfer;
    const BOOL fetched = vorn::HttpGet(request);
    wchar_t text[512] = {};
    if (fetched) GetPrivateProfileStringW(L"VerKey", L"UpdAddr", L"", text, 512, job.configFile.c_str());
    DeleteFileW(job.configFile.c_str());
    address = text;
    return fetched != FALSE;
}

// The data folder's download folder, each level created with the rights that let only
// administrators write: nothing can be put beside the installer (a library it would load)
// or swapped for it by the player's unelevated programs.
bool CreateDownloadFolder(const std::wstring& folder) {
    const std::wstring data = vorn::DataFolderPath();
    if (data.empty()) return false;
    const std::wstring level1 = data.substr(0, data.size() - wcslen(vorn::settings::kDataFolderLevel2));
    return vorn::CreateProtectedFolder(level1) && vorn::CreateProtectedFolder(data) &&
           vorn::CreateProtectedFolder(folder);
}

bool DownloadInstaller(vorn::GameDownloadJob& job, const std::wstring& address) {
    const std::wstring folder = job.installerPath.substr(0, job.installerPath.rfind(L'\\'));
    // The address is judged before anything is created for it.
    if (!vorn::IsServiceUrl(address.c_str()) || !CreateDownloadFolder(folder)) return false;
    vorn::HttpGetRequest request;
    request.url = address.c_str();
    request.requireServiceUrl = true;
    request.filePath = job.installerPath.c_str();
    request.progressBar = job.bar;
    request.handles = &job.transfer;
    return vorn::HttpGet(request) != FALSE;
}

void RemoveInstaller(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    // A started installer keeps its file while it runs: it goes at the next system start.
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// What the worker found; the refused installer's verdict in *trust.
vorn::GameDownloadOutcome RunDownload(vorn::GameDownloadJob& job, vorn::DownloadTrust* trust) {
    *trust = vorn::DownloadTrust::kAccepted;
    std::wstring address;
    if (!FetchInstallerAddress(job, address)) return vorn::GameDownloadOutcome::kNoConfiguration;
    if (!DownloadInstaller(job, address) || job.transfer.cancelled.load()) {
        RemoveInstaller(job.installerPath);  // a partial download goes
        return vorn::GameDownloadOutcome::kFailed;
    }
    // Held from the check until it has been started: what was checked is what runs.
    vorn::KernelHandle held = vorn::HoldDownloadedFile(job.installerPath);
    if (!held) {
        RemoveInstaller(job.installerPath);
        return vorn::GameDownloadOutcome::kFailed;
    }
    *trust = vorn::CheckHeldDownload(held.get(), job.installerPath);
    if (*trust != vorn::DownloadTrust::kAccepted) {
        const bool deleted = vorn::DeleteHeldFile(held.get());
        held.Close();
        if (!deleted) RemoveInstaller(job.installerPath);
        return vorn::GameDownloadOutcome::kRefused;
    }
    const bool started = job.startProgram != nullptr && job.startProgram(job.installerPath.c_str()) != FALSE;
    held.Close();
    RemoveInstaller(job.installerPath);
    return started ? vorn::GameDownloadOutcome::kStarted : vorn::GameDownloadOutcome::kFailed;
}

}  // namespace

LRESULT CDownloadBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CImgProgress::WindowProc(msg, wParam, lParam);
    if (msg == PBM_SETPOS && m_onPosition) m_onPosition(static_cast<int>(wParam));
    return result;
}

CDownGameDlg::CDownGameDlg(const std::wstring& name, CWnd* parent, ProgramStarter startProgram)
    : CDlgEx(vorn::kDownGameTemplate, parent), m_strName(name), m_startProgram(startProgram) {}

CDownGameDlg::~CDownGameDlg() {
    StopWorker();
    if (m_hWnd != nullptr) DestroyWindow();
}

void CDownGameDlg::DoDataExchange(CDataExchange* dx) {
    CDlgEx::DoDataExchange(dx);
    DDX_Control(dx, kBarId, m_progress);
    DDX_Control(dx, IDOK, m_btnOK);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
    DDX_Control(dx, kLabelId, m_stcProgress);
}

BOOL CDownGameDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseBoxCaptionLayout();
    SetTitle(L"游戏下载中...");
    HINSTANCE module = AfxGetInstanceHandle();
    const CBitmap close = LoadSkinPicture(module, IDB_PNG_CLOSE);  // copied by the button
    SetSkin(LoadSkinPicture(module, IDB_PNG_DIALOG_BACK).Detach(), 0, 1, close, nullptr, nullptr, nullptr);

    EnableWindow(m_btnOK.m_hWnd, FALSE);
    const CBitmap strip = LoadSkinPicture(module, IDB_PNG_BUTTON);  // the buttons keep their own frames
    m_btnOK.SetBitmap(strip, 1);
    m_btnCancel.SetBitmap(strip, 1);

    m_stcProgress.m_crText = kLabelColour;
    m_stcProgress.m_nFontHeight = 16;
    SetLabel(L"");
    m_progress.SetImages(LoadSkinPicture(module, IDB_PNG_PROGRESS_TROUGH).Detach(),
                         LoadSkinPicture(module, IDB_PNG_PROGRESS_FILL).Detach());
    // The worker sends each position to the bar; the label follows on this thread, so
    // painting never reads a text that is being changed.
    m_progress.m_onPosition = [this](int percent) {
        SetLabel(vorn::ToWide(vorn::DownloadedLabel(static_cast<unsigned>(percent))));
    };

    if (!StartDownload()) Finish(vorn::GameDownloadOutcome::kNoConfiguration, vorn::DownloadTrust::kAccepted);
    return TRUE;
}

bool CDownGameDlg::StartDownload() {
    // The name becomes file names here and in the temporary folder.
    if (!vorn::IsAcceptedLauncherName(vorn::ToU16(m_strName))) return false;
    const std::wstring ownConfig = std::wstring(L"http://") + vorn::ServiceHost() + kConfigPath;
    m_strConfigUrl = vorn::ToWide(vorn::OtherLauncherConfigUrl(vorn::ToU16(ownConfig), vorn::ToU16(m_strName)));

    const std::wstring configFile = vorn::GetModulePath((m_strName + L".ini").c_str());
    // Not the player's temporary folder: every unelevated program of theirs may write
    // there, and the installer runs with administrator rights.
    const std::wstring data = vorn::DataFolderPath();
    const std::wstring installer = data + vorn::settings::kDataFolderDownloads + L"\\" + m_strName + L".exe";
    // A path cut to fit its buffer would name another file.
    if (configFile.empty() || data.empty() || installer.size() >= MAX_PATH) return false;
    lstrcpynW(m_szInstallerPath, installer.c_str(), MAX_PATH);

    auto job = std::make_shared<vorn::GameDownloadJob>();
    job->configUrl = m_strConfigUrl;
    job->configFile = configFile;
    job->installerPath = installer;
    job->dialog = m_hWnd;
    job->bar = m_progress.m_hWnd;
    job->startProgram = m_startProgram;
    auto* handOver = new std::shared_ptr<vorn::GameDownloadJob>(job);
    m_hThread.Attach(CreateThread(nullptr, 0, &CDownGameDlg::Worker, handOver, 0, nullptr));
    if (!m_hThread) {
        delete handOver;
        return false;
    }
    m_job = std::move(job);
    return true;
}

DWORD WINAPI CDownGameDlg::Worker(void* parameter) {
    std::shared_ptr<vorn::GameDownloadJob> job;
    {
        std::unique_ptr<std::shared_ptr<vorn::GameDownloadJob>> handOver(
            static_cast<std::shared_ptr<vorn::GameDownloadJob>*>(parameter));
        job = *handOver;
    }
    vorn::DownloadTrust trust = vorn::DownloadTrust::kAccepted;
    const vorn::GameDownloadOutcome outcome = RunDownload(*job, &trust);
    // A cancelled dialog has gone, or is going: nothing more to tell it.
    if (!job->transfer.cancelled.load()) {
        PostMessageW(job->dialog, kMsgWorkerDone, static_cast<WPARAM>(outcome), static_cast<LPARAM>(trust));
    }
    return 0;
}

void CDownGameDlg::Finish(vorn::GameDownloadOutcome outcome, vorn::DownloadTrust trust) {
    WaitForWorker();
    SetTitle(vorn::ToWide(vorn::GameDownloadTitle(outcome, trust)).c_str());
    // Without a configuration there was no download to acknowledge: the player closes the
    // dialog with Cancel, as during a download.
    const bool acknowledge = outcome != vorn::GameDownloadOutcome::kNoConfiguration;
    EnableWindow(m_btnOK.m_hWnd, acknowledge ? TRUE : FALSE);
    EnableWindow(m_btnCancel.m_hWnd, acknowledge ? FALSE : TRUE);
}

void CDownGameDlg::SetLabel(const std::wstring& text) {
    m_stcProgress.m_strText = text;
    // The window text too, so that others reading the window see what is drawn.
    SetWindowTextW(m_stcProgress.m_hWnd, text.c_str());
    InvalidateRect(m_stcProgress.m_hWnd, nullptr, FALSE);
}

void CDownGameDlg::StopWorker() {
    if (m_job) m_job->transfer.CloseAll();
    WaitForWorker();
}

void CDownGameDlg::WaitForWorker() {
    if (!m_hThread) return;
    // The worker may be waiting in a position it sent to the bar: keep taking sent
    // messages while waiting. A cancelled transfer returns within a fraction of a second.
    const HANDLE worker = m_hThread.get();
    const DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, 50, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (GetTickCount() - start > kWorkerExitWaitMs) break;  // it finishes alone
    }
    m_hThread.Close();
}

void CDownGameDlg::OnOK() {
    // Enter reaches here too: only a finished download ends with OK.
    if (!IsWindowEnabled(m_btnOK.m_hWnd)) return;
    EndDialog(IDOK);
}

void CDownGameDlg::OnCancel() {
    StopWorker();
    EndDialog(IDCANCEL);
}

BOOL CDownGameDlg::PreTranslateMessage(MSG* msg) {
    // Escape does nothing: a download is stopped only by its button or the close button.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE &&
        (msg->hwnd == m_hWnd || IsChild(m_hWnd, msg->hwnd))) {
        return TRUE;
    }
    return CDlgEx::PreTranslateMessage(msg);
}

LRESULT CDownGameDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kMsgWorkerDone:
        Finish(static_cast<vorn::GameDownloadOutcome>(wParam), static_cast<vorn::DownloadTrust>(lParam));
        return 0;
    case WM_CLOSE:
        // The close button and Alt+F4: a download in progress is stopped first.
        OnCancel();
        return 0;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
