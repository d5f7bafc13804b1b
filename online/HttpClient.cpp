#include "online/HttpClient.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/BuildSettings.h"
#include "common/KernelHandle.h"
#include "common/ModulePath.h"
#include "common/TextNumbers.h"
#include "online/HttpRules.h"

namespace vorn {

namespace {

const std::vector<std::u16string>& ServiceDomains() {
    static const std::vector<std::u16string> domains = ParseServiceDomains(ToU16(build::kServiceDomains));
    return domains;
}

// The status code as text; empty when the reply has none.
std::u16string QueryStatus(HINTERNET request) {
    wchar_t status[16] = {};  // 32 bytes
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, status, &size, nullptr)) return {};
    return ToU16(status);
}

// The Location of a redirect; empty when there is none or it is longer than any address
// this procedure fetches.
std::u16string QueryLocation(HINTERNET request) {
    wchar_t location[kMaxAddressChars + 2] = {};
    DWORD size = sizeof location;
    if (!HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location, &size, nullptr)) return {};
    return ToU16(location);
}

bool QueryAnnouncedLength(HINTERNET request, DWORD* length) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) {
        return false;
    }
    if (size != 4) return false;
    *length = value;
    return true;
}

std::uint32_t ProgressWindowMs() {
#ifdef VORN_TEST_HOOKS
    // The tests shorten the window, so that a stalled transfer fails within seconds.
    wchar_t text[16] = {};
    const DWORD n = GetEnvironmentVariableW(L"VORN_TEST_PROGRESS_WINDOW_MS", text, 16);
    if (n > 0 && n < 16) {
        const int ms = ParseDecimalPrefix(ToU16(text));
        if (ms > 0) return static_cast<std::uint32_t>(ms);
    }
#endif
    return kProgressWindowMs;
}

void SetTimeout(HINTERNET handle, DWORD option, DWORD ms) {
    if (handle != nullptr) InternetSetOptionW(handle, option, &ms, sizeof ms);
}

void CloseHandleSlot(std::atomic<HINTERNET>& slot) {
    if (HINTERNET handle = slot.exchange(nullptr)) InternetCloseHandle(handle);
}

// How often a waiting caller looks at its cancel switch.
constexpr DWORD kCancelPollMs = 100;
// How long a caller that gives up lets the network thread end before it leaves it: closing
// the handles ends a blocked call at once on Windows, not under every implementation.
constexpr DWORD kNetworkGraceMs = 200;
// Reads grow from what has arrived to at least this much on a fast line.
constexpr DWORD kMinBlockBytes = 8192;
// The network thread reads ahead of the caller by at most this much.
constexpr size_t kMaxQueuedBytes = 4u << 20;

// One request shared by the caller and the thread that makes the library's blocking calls.
// The thread may outlive the call (a library call that does not return when its handle is
// closed); it then uses only this, which it co-owns, and ends when the library returns.
struct Exchange {
    Exchange() {
        InitializeCriticalSection(&lock);
        InitializeConditionVariable(&changed);
    }
    ~Exchange() { DeleteCriticalSection(&lock); }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // Set before the thread starts.
    std::u16string url;
    bool ping = false;
    bool requireServiceUrl = false;
    bool wantBody = false;
    DWORD readSize = kDefaultReadBytes;
    std::uint32_t windowMs = kProgressWindowMs;

    // The thread's handles; the caller closes them to stop it.
    std::atomic<HINTERNET> internet{nullptr};
    std::atomic<HINTERNET> connect{nullptr};
    std::atomic<HINTERNET> request{nullptr};
    std::atomic<bool> stopped{false};  // the caller has given up: store and read nothing more
    std::atomic<bool> refused{false};  // an address, first or redirected, was not one to fetch

    CRITICAL_SECTION lock;
    CONDITION_VARIABLE changed;
    // Guarded by the lock.
    enum Stage { kSending, kBody, kEnded, kFailed } stage = kSending;
    DWORD error = ERROR_SUCCESS;  // of a failed connect or send
    DWORD announced = 0;
    std::deque<std::vector<char>> blocks;
    size_t queued = 0;

    void CloseHandles() {
        CloseHandleSlot(request);
        CloseHandleSlot(connect);
        CloseHandleSlot(internet);
    }
    void Finish(Stage end, DWORD systemError = ERROR_SUCCESS) {
        EnterCriticalSection(&lock);
        stage = end;
        if (systemError != ERROR_SUCCESS) error = systemError;
        LeaveCriticalSection(&lock);
        WakeAllConditionVariable(&changed);
    }
};

// Keeps a new handle where the caller can close it; false when it is null or the caller
// has given up. The caller marks the exchange stopped before it closes the slots, so a
// handle stored after that is seen here and closed by the thread itself.
bool Keep(Exchange& x, std::atomic<HINTERNET>& slot, HINTERNET handle) {
    slot.store(handle);
    return handle != nullptr && !x.stopped.load();
}

// Connects, follows redirects and sends; the request handle of the final reply, or null
// (with the system error of a failed connect or send in *error).
HINTERNET SendFollowingRedirects(Exchange& x, DWORD* error) {
    if (!Keep(x, x.internet, InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0))) return nullptr;
    // Where the library honours them, no connect, send or wait takes longer than one
    // progress window; the caller's own deadline holds either way.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        SetTimeout(x.internet.load(), option, x.windowMs);
    }
    std::u16string url = x.url;
    for (int hop = 0;; ++hop) {
        if (url.size() > kMaxAddressChars) {
            x.refused.store(true);
            return nullptr;
        }
        // One cut of the address serves both the service test and the connection. Pings
        // and service downloads must be http, as must every redirect; the others skip
        // the scheme unseen. A redirect leads only to the service, whatever the first
        // address was: the compiled-in one of a configuration is no exception.
        const auto parts = SplitHostAndPath(url, x.ping || x.requireServiceUrl || hop > 0);
        if (!parts || ((x.requireServiceUrl || hop > 0) && !IsServiceHost(*parts, ServiceDomains()))) {
            x.refused.store(true);
            return nullptr;
        }
        const std::wstring host = ToWide(parts->host);
        const std::wstring object = ToWide(parts->object);

        CloseHandleSlot(x.request);
        CloseHandleSlot(x.connect);
        const HINTERNET connect = InternetConnectW(x.internet.load(), host.c_str(), parts->port, nullptr, nullptr,
                                                   INTERNET_SERVICE_HTTP, 0, 0);
        if (connect == nullptr) *error = GetLastError();
        if (!Keep(x, x.connect, connect)) return nullptr;
        // Always from the server, and nothing into the cache, which is never read from.
        // Redirects are this procedure's to judge, not the library's to follow.
        const HINTERNET request =
            HttpOpenRequestW(connect, L"GET", object.c_str(), L"HTTP/1.1", nullptr, nullptr,
                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
        if (!Keep(x, x.request, request)) return nullptr;
        if (!HttpSendRequestW(request, kRequestHeaders, static_cast<DWORD>(wcslen(kRequestHeaders)), nullptr, 0)) {
            *error = GetLastError();
            return nullptr;
        }
        if (x.ping) return request;
        const std::u16string status = QueryStatus(request);
        if (status.empty()) return nullptr;
        if (!IsRedirectStatus(status)) return IsAcceptedStatus(status) ? request : nullptr;
        if (hop == kMaxRedirects) return nullptr;
        const auto next = RedirectAddress(*parts, QueryLocation(request));
        if (!next) {
            x.refused.store(true);
            return nullptr;
        }
        url = *next;
    }
}

// Reads the body into the exchange's queue, never more ahead of the caller than
// kMaxQueuedBytes. A read waits until all it asks for has arrived, so a read of more than
// has arrived could hide a trickle from the caller's progress deadline, and reads of only
// what the library holds (a few kilobytes) made a download three times slower than other
// clients. So a read takes what has arrived, and asks for more only while reads of the
// size before came back quickly: twice as much each time, up to the caller's block.
Exchange::Stage ReadBody(Exchange& x, HINTERNET request) {
    const DWORD quickMs = std::max<DWORD>(x.windowMs / 64, 1);
    DWORD ahead = 0;  // what the last quick read allows beyond what has arrived
    for (;;) {
        EnterCriticalSection(&x.lock);
        while (x.queued >= kMaxQueuedBytes && !x.stopped.load()) {
            SleepConditionVariableCS(&x.changed, &x.lock, kCancelPollMs);
        }
        LeaveCriticalSection(&x.lock);
        if (x.stopped.load()) return Exchange::kFailed;
        DWORD waiting = 0;
        if (!InternetQueryDataAvailable(request, &waiting, 0, 0)) return Exchange::kFailed;
        // Nothing waiting means the end, which a read of one byte confirms.
        const DWORD want = waiting == 0 ? 1 : std::min(std::max(waiting, ahead), x.readSize);
        std::vector<char> block(want);
        const ULONGLONG started = GetTickCount64();
        DWORD got = 0;
        if (!InternetReadFile(request, block.data(), want, &got)) return Exchange::kFailed;
        if (got == 0) return Exchange::kEnded;
        ahead = got == want && GetTickCount64() - started <= quickMs ? std::min(want * 2, x.readSize) : 0;
        block.resize(got);
        EnterCriticalSection(&x.lock);
        x.queued += got;
        x.blocks.push_back(std::move(block));
        LeaveCriticalSection(&x.lock);
        WakeAllConditionVariable(&x.changed);
    }
}

DWORD WINAPI NetworkThread(void* parameter) {
    std::shared_ptr<Exchange> x;
    {
        std::unique_ptr<std::shared_ptr<Exchange>> handOver(static_cast<std::shared_ptr<Exchange>*>(parameter));
        x = *handOver;
    }
    DWORD error = ERROR_SUCCESS;
    const HINTERNET request = SendFollowingRedirects(*x, &error);
    DWORD announced = 0;
    if (request == nullptr || (!x->ping && !QueryAnnouncedLength(request, &announced))) {
        x->CloseHandles();
        x->Finish(Exchange::kFailed, error);
        return 0;
    }
    if (x->ping || !x->wantBody) {
        x->CloseHandles();
        EnterCriticalSection(&x->lock);
        x->announced = announced;
        LeaveCriticalSection(&x->lock);
        x->Finish(Exchange::kEnded);
        return 0;
    }
    // No read takes more than about a sixty-fourth of the body, so that a progress bar
    // moves in small steps however fast the line.
    x->readSize = std::min(x->readSize, std::max<DWORD>(announced / 64, kMinBlockBytes));
    EnterCriticalSection(&x->lock);
    x->announced = announced;
    x->stage = Exchange::kBody;
    LeaveCriticalSection(&x->lock);
    WakeAllConditionVariable(&x->changed);
    const Exchange::Stage end = ReadBody(*x, request);
    x->CloseHandles();
    x->Finish(end);
    return 0;
}

// The caller's side of one request: starts the network thread, waits for its news within
// the progress deadline and the caller's cancel switch, and stops it when done.
class Call {
public:
    explicit Call(const HttpGetRequest& req) : req_(req), x_(std::make_shared<Exchange>()) {
        x_->url = ToU16(req.url);
        x_->ping = req.ping;
        x_->requireServiceUrl = req.requireServiceUrl;
        x_->wantBody = req.text != nullptr || req.filePath != nullptr;
        x_->readSize = req.readSize > 0 ? req.readSize : kDefaultReadBytes;
        x_->windowMs = ProgressWindowMs();
    }
    ~Call() { Stop(); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    bool Start() {
        auto* handOver = new std::shared_ptr<Exchange>(x_);
        thread_.Attach(CreateThread(nullptr, 0, &NetworkThread, handOver, 0, nullptr));
        if (!thread_) delete handOver;
        return thread_.ok();
    }

    // Waits until the reply's head has been judged (or the request sent, for a ping).
    // False on failure, cancel, or when no head came within a progress window.
    bool WaitForHead(DWORD* announced) {
        ProgressDeadline deadline(x_->windowMs, kProgressWindowBytes, GetTickCount64());
        EnterCriticalSection(&x_->lock);
        while (x_->stage == Exchange::kSending && WaitSlice(deadline)) {}
        const Exchange::Stage stage = x_->stage;
        *announced = x_->announced;
        LeaveCriticalSection(&x_->lock);
        return stage == Exchange::kBody || stage == Exchange::kEnded;
    }

    // The next bytes of the body into *block (empty at its end); false on failure, cancel
    // or stall.
    bool NextBlock(ProgressDeadline& deadline, std::vector<char>* block) {
        block->clear();
        EnterCriticalSection(&x_->lock);
        while (x_->blocks.empty() && x_->stage == Exchange::kBody && WaitSlice(deadline)) {}
        bool ok = false;
        if (!x_->blocks.empty()) {
            *block = std::move(x_->blocks.front());
            x_->blocks.pop_front();
            x_->queued -= block->size();
            ok = true;
        } else {
            ok = x_->stage == Exchange::kEnded;
        }
        LeaveCriticalSection(&x_->lock);
        if (!block->empty()) {
            WakeAllConditionVariable(&x_->changed);  // room in the queue again
            deadline.Received(block->size(), GetTickCount64());
        }
        return ok && !Cancelled();
    }

    DWORD error() {
        EnterCriticalSection(&x_->lock);
        const DWORD e = x_->error;
        LeaveCriticalSection(&x_->lock);
        return e;
    }

    bool Cancelled() const { return req_.handles != nullptr && req_.handles->cancelled.load(); }
    bool Refused() const { return x_->refused.load(); }

    // Stops the network thread and lets it end; it is left to finish alone when the
    // library does not return within a moment.
    void Stop() {
        if (!thread_) return;
        x_->stopped.store(true);
        x_->CloseHandles();
        EnterCriticalSection(&x_->lock);
        x_->blocks.clear();  // a thread left behind holds no more than its own read
        x_->queued = 0;
        LeaveCriticalSection(&x_->lock);
        WakeAllConditionVariable(&x_->changed);
        WaitForSingleObject(thread_.get(), kNetworkGraceMs);
        thread_.Close();
    }

private:
    // One wait of at most kCancelPollMs with the lock held; false when the deadline has
    // passed or the transfer was cancelled.
    bool WaitSlice(const ProgressDeadline& deadline) {
        const DWORD left = deadline.MsLeft(GetTickCount64());
        if (left == 0 || Cancelled()) return false;
        SleepConditionVariableCS(&x_->changed, &x_->lock, std::min(left, kCancelPollMs));
        return true;
    }

    const HttpGetRequest& req_;
    std::shared_ptr<Exchange> x_;
    KernelHandle thread_;
};

// The file is written through a buffer of this size: one system write per megabyte
// instead of one per few kilobytes.
constexpr size_t kFileBufferBytes = 1 << 20;

bool ReadIntoFile(const HttpGetRequest& req, Call& call, DWORD announced) {
    // Refused before the file is touched: an older file of the same name stays as it was.
    if (!FitsReplyLimit(announced, req.maxBytes)) {
        if (req.refused != nullptr) *req.refused = true;
        return false;
    }
    FILE* file = _wfopen(req.filePath, L"wb");
    if (file == nullptr) return false;
    setvbuf(file, nullptr, _IOFBF, kFileBufferBytes);
    // The body has a whole window for its first bytes, counted from its head.
    ProgressDeadline deadline(ProgressWindowMs(), kProgressWindowBytes, GetTickCount64());
    std::vector<char> block;
    std::uint64_t total = 0;
    std::uint32_t shownPercent = UINT32_MAX;
    bool whole = false;
    while (call.NextBlock(deadline, &block)) {
        if (block.empty()) {
            whole = total == announced;
            break;
        }
        total += block.size();
        // More than announced is not the body that was announced.
        if (total > announced || fwrite(block.data(), 1, block.size(), file) != block.size()) break;
        // Each position is a message the download waits for while the dialog's thread
        // handles it: send one only when the bar would show something new.
        const std::uint32_t percent = ProgressPercent(total, announced);
        if (req.progressBar != nullptr && percent != shownPercent) {
            SendMessageW(req.progressBar, PBM_SETPOS, percent, 0);
            shownPercent = percent;
        }
    }
    whole = fclose(file) == 0 && whole && !call.Cancelled();
    if (!whole) DeleteFileW(req.filePath);
    return whole;
}

bool ReadIntoText(const HttpGetRequest& req, Call& call, DWORD announced) {
    constexpr DWORD kTextChars = 1024;
    if (announced >= kTextChars) return false;
    ProgressDeadline deadline(ProgressWindowMs(), kProgressWindowBytes, GetTickCount64());
    std::string bytes;
    std::vector<char> block;
    for (;;) {
        if (!call.NextBlock(deadline, &block)) return false;
        if (block.empty()) break;
        bytes.append(block.data(), block.size());
        if (bytes.size() > announced) return false;
    }
    const int chars = !bytes.empty() ? MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                           req.text, static_cast<int>(kTextChars - 1))
                                     : 0;
    req.text[chars > 0 ? chars : 0] = L'\0';
    return true;
}

// The transfer itself; *error receives the system error of a failed connect or send.
BOOL HttpGetOnce(const HttpGetRequest& req, DWORD* error) {
    if (req.url == nullptr || (req.handles != nullptr && req.handles->cancelled.load())) return FALSE;
    Call call(req);
    if (!call.Start()) return FALSE;
    DWORD announced = 0;
    const bool head = call.WaitForHead(&announced);
    *error = call.error();
    if (req.refused != nullptr && call.Refused()) *req.refused = true;
    if (!head) return FALSE;
    if (req.ping) return TRUE;
    if (req.text != nullptr) return ReadIntoText(req, call, announced) ? TRUE : FALSE;
    if (req.filePath != nullptr) return ReadIntoFile(req, call, announced) ? TRUE : FALSE;
    return FALSE;
}

}  // namespace

bool IsServiceUrl(const wchar_t* url) { return url != nullptr && vorn::IsServiceUrl(ToU16(url), ServiceDomains()); }

BOOL HttpGet(const HttpGetRequest& req) {
    DWORD error = ERROR_SUCCESS;
    const BOOL ok = HttpGetOnce(req, &error);
    // Closing the handles may change the error code; the ping's caller gets the real one.
    if (!ok && req.ping && error != ERROR_SUCCESS) SetLastError(error);
    return ok;
}

BOOL PingUrl(const wchar_t* url) {
    HttpGetRequest req;
    req.url = url;
    req.ping = true;
    return HttpGet(req);
}

BOOL DownloadToFile(const wchar_t* url, const wchar_t* path, bool requireServiceUrl, std::uint64_t maxBytes) {
    HttpGetRequest req;
    req.url = url;
    req.filePath = path;
    req.requireServiceUrl = requireServiceUrl;
    req.maxBytes = maxBytes;
    return HttpGet(req);
}

}  // namespace vorn
