#include "online/HttpClient.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/BuildSettings.h"
#include "common/ModulePath.h"
#include "common/TextNumbers.h"
#include "online/HttpRules.h"

namespace vorn {

namespace {

void CloseHandleSlot(std::atomic<HINTERNET>& slot) {
    if (HINTERNET handle = slot.exchange(nullptr)) InternetCloseHandle(handle);
}

// Owns the three handles of one request; they live in the caller's HttpHandles (so that
// another thread can close them) or in a private one.
class Transfer {
public:
    explicit Transfer(HttpHandles* shared) : handles_(shared != nullptr ? shared : &own_) {}
    ~Transfer() {
        CloseFile();
        CloseHandleSlot(handles_->request);
        CloseHandleSlot(handles_->connect);
        CloseHandleSlot(handles_->internet);
    }
    HttpHandles& handles() { return *handles_; }
    // FALSE when the last buffered bytes could not be written.
    bool CloseFile() {
        FILE* file = handles_->file.exchange(nullptr);
        return file == nullptr || fclose(file) == 0;
    }

private:
    HttpHandles own_;
    HttpHandles* handles_;
};

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

// Waits for the next bytes of the body, at most until the progress window has passed,
// and reads what has arrived, at most `capacity` bytes. False on failure, cancel or
// stall; *got 0 at the end of the body.
bool ReadSome(Transfer& transfer, ProgressDeadline& deadline, char* buffer, DWORD capacity, DWORD* got) {
    *got = 0;
    HINTERNET request = transfer.handles().request.load();
    if (request == nullptr) return false;
    const DWORD left = deadline.MsLeft(GetTickCount64());
    if (left == 0) return false;
    // The library bounds each wait by its receive time-out; no wait may outlast the window.
    SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, left);
    DWORD waiting = 0;
    if (!InternetQueryDataAvailable(request, &waiting, 0, 0)) return false;
    // Only what has arrived: a read of more waits until all of it is there, however
    // slowly it trickles in. Nothing waiting means the end, which a read of one byte
    // confirms without waiting for more.
    const DWORD want = waiting == 0 ? 1 : std::min(waiting, capacity);
    if (!InternetReadFile(request, buffer, want, got)) return false;
    deadline.Received(*got, GetTickCount64());
    return true;
}

// The file is written through a buffer of this size: one system write per megabyte
// instead of one per few kilobytes.
constexpr size_t kFileBufferBytes = 1 << 20;

bool ReadIntoFile(const HttpGetRequest& req, Transfer& transfer, ProgressDeadline& deadline, DWORD announced) {
    // Refused before the file is touched: an older file of the same name stays as it was.
    if (!FitsReplyLimit(announced, req.maxBytes)) return false;
    FILE* file = _wfopen(req.filePath, L"wb");
    if (file == nullptr) return false;
    setvbuf(file, nullptr, _IOFBF, kFileBufferBytes);
    transfer.handles().file.store(file);
    std::vector<char> block(req.readSize > 0 ? req.readSize : kDefaultReadBytes);
    unsigned long long total = 0;
    std::uint32_t shownPercent = UINT32_MAX;
    bool written = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadSome(transfer, deadline, block.data(), static_cast<DWORD>(block.size()), &got)) break;
        FILE* out = transfer.handles().file.load();
        if (out == nullptr || (got > 0 && fwrite(block.data(), 1, got, out) != got)) {
            written = false;
            break;
        }
        total += got;
        if (total > announced) break;  // more than announced: not the body that was announced
        // Each position is a message the download waits for while the dialog's thread
        // handles it: send one only when the bar would show something new.
        const std::uint32_t percent = ProgressPercent(total, announced);
        if (req.progressBar != nullptr && got > 0 && percent != shownPercent) {
            SendMessageW(req.progressBar, PBM_SETPOS, percent, 0);
            shownPercent = percent;
        }
        if (got == 0) break;
    }
    written = transfer.CloseFile() && written;
    const bool whole = written && !transfer.handles().cancelled.load() && total == announced;
    if (!whole) DeleteFileW(req.filePath);
    return whole;
}

bool ReadIntoText(const HttpGetRequest& req, Transfer& transfer, ProgressDeadline& deadline, DWORD announced) {
    constexpr DWORD kTextChars = 1024;
    if (announced >= kTextChars) return false;
    std::string bytes(announced + 1, '\0');
    DWORD total = 0;
    // A short read is not the end of the body: keep reading until it is all there.
    while (total < announced) {
        DWORD got = 0;
        if (!ReadSome(transfer, deadline, bytes.data() + total, announced - total, &got)) return false;
        if (got == 0) break;
        total += got;
    }
    const int chars = total > 0 ? MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(total), req.text,
                                                      static_cast<int>(kTextChars - 1))
                                : 0;
    req.text[chars > 0 ? chars : 0] = L'\0';
    return true;
}

}  // namespace

void HttpHandles::CloseAll() {
    cancelled.store(true);
    CloseHandleSlot(request);
    CloseHandleSlot(connect);
    CloseHandleSlot(internet);
}

namespace {

const std::vector<std::u16string>& ServiceDomains() {
    static const std::vector<std::u16string> domains = ParseServiceDomains(ToU16(build::kServiceDomains));
    return domains;
}

}  // namespace

bool IsServiceUrl(const wchar_t* url) { return url != nullptr && vorn::IsServiceUrl(ToU16(url), ServiceDomains()); }

namespace {

// Keeps a new handle where a cancel can close it; false when it is null or a cancel
// came first. A cancel marks the slots before it closes them, so a handle stored after
// that is seen here and closed by the Transfer, never left to run its request.
bool Keep(HttpHandles& h, std::atomic<HINTERNET>& slot, HINTERNET handle) {
    slot.store(handle);
    return handle != nullptr && !h.cancelled.load();
}

// The transfer itself; *error receives the system error of a failed connect or send.
BOOL HttpGetOnce(const HttpGetRequest& req, DWORD* error) {
    if (req.url == nullptr) return FALSE;
    std::u16string url = ToU16(req.url);
    Transfer transfer(req.handles);
    HttpHandles& h = transfer.handles();
    if (h.cancelled.load()) return FALSE;
    const std::uint32_t windowMs = ProgressWindowMs();
    if (!Keep(h, h.internet, InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0))) return FALSE;
    // Handles opened from this one inherit its time-outs: no connect, send or wait for
    // the reply's head takes longer than one progress window.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        SetTimeout(h.internet.load(), option, windowMs);
    }
    DWORD retries = 1;
    InternetSetOptionW(h.internet.load(), INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);

    for (int hop = 0;; ++hop) {
        if (url.size() > kMaxAddressChars) return FALSE;
        // One cut of the address serves both the service test and the connection. Pings
        // and service downloads must be http, as must every redirect; the others skip
        // the scheme unseen.
        const auto parts = SplitHostAndPath(url, req.ping || req.requireServiceUrl || hop > 0);
        if (!parts) return FALSE;
        if (req.requireServiceUrl && !IsServiceHost(*parts, ServiceDomains())) return FALSE;
        const std::wstring host = ToWide(parts->host);
        const std::wstring object = ToWide(parts->object);

        CloseHandleSlot(h.request);
        CloseHandleSlot(h.connect);
        const HINTERNET connect = InternetConnectW(h.internet.load(), host.c_str(), parts->port, nullptr, nullptr,
                                                   INTERNET_SERVICE_HTTP, 0, 0);
        if (connect == nullptr) *error = GetLastError();
        if (!Keep(h, h.connect, connect)) return FALSE;
        // Always from the server, and nothing into the cache, which is never read from.
        // Redirects are this procedure's to judge, not the library's to follow.
        const HINTERNET request =
            HttpOpenRequestW(h.connect.load(), L"GET", object.c_str(), L"HTTP/1.1", nullptr, nullptr,
                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
        if (!Keep(h, h.request, request)) return FALSE;
        if (!HttpSendRequestW(request, kRequestHeaders, static_cast<DWORD>(wcslen(kRequestHeaders)), nullptr, 0)) {
            *error = GetLastError();
            return FALSE;
        }
        if (req.ping) return TRUE;

        const std::u16string status = QueryStatus(request);
        if (status.empty()) return FALSE;
        if (!IsRedirectStatus(status)) {
            if (!IsAcceptedStatus(status)) return FALSE;
            break;
        }
        if (hop == kMaxRedirects) return FALSE;
        const auto next = RedirectAddress(*parts, QueryLocation(request));
        if (!next) return FALSE;
        url = *next;
    }

    DWORD announced = 0;
    if (!QueryAnnouncedLength(h.request.load(), &announced)) return FALSE;
    // The head has arrived: the body has a whole window for its first bytes.
    ProgressDeadline deadline(windowMs, kProgressWindowBytes, GetTickCount64());
    if (req.text != nullptr) return ReadIntoText(req, transfer, deadline, announced) ? TRUE : FALSE;
    if (req.filePath != nullptr) return ReadIntoFile(req, transfer, deadline, announced) ? TRUE : FALSE;
    return FALSE;
}

}  // namespace

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
