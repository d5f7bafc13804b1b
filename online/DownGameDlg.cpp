#include "online/DownGameDlg.h"

#include <commctrl.h>

#include "common/BuildSettings.h"
#include "common/ModulePath.h"
#include "common/WideText.h"
#include "online/GameDownloadRules.h"
#include "online/HttpClient.h"
#include "res/resource.h"
#include "skin/SkinImage.h"
#include "common/ServiceAddress.h"

namespace vorn {

// What the worker needs, shared with it: a cancelled dialog may end before its worker
// does, and the worker then finishes (and cleans up) on its own.
struct GameDownloadJob {
    std::wstring configUrl;
    std::wstring configFile;  // name + ".ini" beside the executable, while it is read
    std::wstring tempPath;    // the installer
    HWND dialog = nullptr;
    HWND bar = nullptr;
    CDownGameDlg::ProgramStarter startProgram = nullptr;
    HttpHandles transfer;  // the cancel switch of its transfers
};

}  // namespace vorn

namespace {

constexpr int kLabelId = 1024, kBarId = 1025;
// Posted by the worker when it has finished: wParam 1 when the installer was started.
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

bool DownloadInstaller(vorn::GameDownloadJob& job, const std::wstring& address) {
    vorn::HttpGetRequest request;
    request.url = address.c_str();
    request.requireServiceUrl = true;
    request.filePath = job.tempPath.c_str();
    request.progressBar = job.bar;
    request.handles = &job.transfer;
    return vorn::HttpGet(request) != FALSE;
}

// True when the installer arrived whole and was started.
bool RunDownload(vorn::GameDownloadJob& job) {
    std::wstring address;
    if (!FetchInstallerAddress(job, address)) return false;
    bool done = DownloadInstaller(job, address) && !job.transfer.cancelled.load();
    if (done) done = job.startProgram != nullptr && job.startProgram(job.tempPath.c_str()) != FALSE;
    // A partial download goes; a started installer keeps its file while it runs.
    DeleteFileW(job.tempPath.c_str());
    return done;
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
    HBITMAP close = LoadSkinBitmap(module, IDB_PNG_CLOSE);
    SetSkin(LoadSkinBitmap(module, IDB_PNG_DIALOG_BACK), 0, 1, close, nullptr, nullptr, nullptr);
    if (close != nullptr) DeleteObject(close);  // copied by the button

    EnableWindow(m_btnOK.m_hWnd, FALSE);
    HBITMAP strip = LoadSkinBitmap(module, IDB_PNG_BUTTON);
    m_btnOK.SetBitmap(strip, 1);
    m_btnCancel.SetBitmap(strip, 1);
    if (strip != nullptr) DeleteObject(strip);  // the buttons keep their own frames

    m_stcProgress.m_crText = kLabelColour;
    m_stcProgress.m_nFontHeight = 16;
    SetLabel(L"");
    m_progress.SetImages(LoadSkinBitmap(module, IDB_PNG_PROGRESS_TROUGH),
                         LoadSkinBitmap(module, IDB_PNG_PROGRESS_FILL));
    // The worker sends each position to the bar; the label follows on this thread, so
    // painting never reads a text that is being changed.
    m_progress.m_onPosition = [this](int percent) {
        SetLabel(vorn::ToWide(vorn::DownloadedLabel(static_cast<unsigned>(percent))));
    };

    if (!StartDownload()) Finish(false);
    return TRUE;
}

bool CDownGameDlg::StartDownload() {
    // The name becomes file names here and in the temporary folder.
    if (!vorn::IsAcceptedLauncherName(vorn::ToU16(m_strName))) return false;
    const std::wstring ownConfig = std::wstring(L"http://") + vorn::ServiceHost() + kConfigPath;
    m_strConfigUrl = vorn::ToWide(vorn::OtherLauncherConfigUrl(vorn::ToU16(ownConfig), vorn::ToU16(m_strName)));

    const std::wstring configFile = vorn::GetModulePath((m_strName + L".ini").c_str());
    wchar_t temp[MAX_PATH] = {};
    const DWORD tempLength = GetTempPathW(MAX_PATH, temp);
    const std::wstring installer = std::wstring(temp) + m_strName + L".exe";
    // A path cut to fit its buffer would name another file.
    if (configFile.empty() || tempLength == 0 || tempLength >= MAX_PATH || installer.size() >= MAX_PATH) return false;
    lstrcpynW(m_szTempPath, installer.c_str(), MAX_PATH);

    auto job = std::make_shared<vorn::GameDownloadJob>();
    job->configUrl = m_strConfigUrl;
    job->configFile = configFile;
    job->tempPath = installer;
    job->dialog = m_hWnd;
    job->bar = m_progress.m_hWnd;
    job->startProgram = m_startProgram;
    auto* handOver = new std::shared_ptr<vorn::GameDownloadJob>(job);
    m_hThread = CreateThread(nullptr, 0, &CDownGameDlg::Worker, handOver, 0, nullptr);
    if (m_hThread == nullptr) {
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
    const bool done = RunDownload(*job);
    // A cancelled dialog has gone, or is going: nothing more to tell it.
    if (!job->transfer.cancelled.load()) PostMessageW(job->dialog, kMsgWorkerDone, done ? 1 : 0, 0);
    return 0;
}

void CDownGameDlg::Finish(bool done) {
    WaitForWorker();
    SetTitle(done ? L"下载完成" : L"下载失败");
    EnableWindow(m_btnOK.m_hWnd, TRUE);
    EnableWindow(m_btnCancel.m_hWnd, FALSE);
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
    if (m_hThread == nullptr) return;
    // The worker may be waiting in a position it sent to the bar: keep taking sent
    // messages while waiting. A cancelled transfer returns within a fraction of a second.
    const DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &m_hThread, FALSE, 50, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (GetTickCount() - start > kWorkerExitWaitMs) break;  // it finishes alone
    }
    CloseHandle(m_hThread);
    m_hThread = nullptr;
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
        Finish(wParam != 0);
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
