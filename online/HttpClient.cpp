#include "online/HttpClient.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/BuildSettings.h"
#include "common/ModulePath.h"
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

bool QueryStatusAccepted(HINTERNET request) {
    wchar_t status[16] = {};  // 32 bytes
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, status, &size, nullptr)) return false;
    return IsAcceptedStatus(ToU16(status));
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

// The file is written through a buffer of this size: one system write per megabyte
// instead of one per few kilobytes.
constexpr size_t kFileBufferBytes = 1 << 20;
// Less than this waiting to be read means the data trickles in.
constexpr DWORD kSlowLineBytes = 8192;

bool ReadIntoFile(const HttpGetRequest& req, Transfer& transfer, DWORD announced) {
    FILE* file = _wfopen(req.filePath, L"wb");
    if (file == nullptr) return false;
    setvbuf(file, nullptr, _IOFBF, kFileBufferBytes);
    transfer.handles().file.store(file);
    std::vector<char> block(req.readSize > 0 ? req.readSize : kDefaultReadBytes);
    unsigned long long total = 0;
    std::uint32_t shownPercent = UINT32_MAX;
    bool written = true;
    for (;;) {
        HINTERNET request = transfer.handles().request.load();
        if (request == nullptr) break;
        // A read waits until its whole block has arrived (or the body ends). When less
        // than the library's own buffer is waiting the line is slow: take just that, so
        // that progress keeps moving and a cancel is not held up by a half-filled block.
        DWORD waiting = 0;
        if (!InternetQueryDataAvailable(request, &waiting, 0, 0)) break;
        const DWORD blockBytes = static_cast<DWORD>(block.size());
        const DWORD want = waiting > 0 && waiting < kSlowLineBytes ? std::min(waiting, blockBytes) : blockBytes;
        DWORD got = 0;
        if (!InternetReadFile(request, block.data(), want, &got)) break;
        FILE* out = transfer.handles().file.load();
        if (out == nullptr || (got > 0 && fwrite(block.data(), 1, got, out) != got)) {
            written = false;
            break;
        }
        total += got;
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
    return written && !transfer.handles().cancelled.load() && total >= announced;
}

bool ReadIntoText(const HttpGetRequest& req, Transfer& transfer, DWORD announced) {
    constexpr DWORD kTextChars = 1024;
    if (announced >= kTextChars) return false;
    std::string bytes(announced, '\0');
    DWORD total = 0;
    // A short read is not the end of the body: keep reading until it is all there.
    while (total < announced) {
        DWORD got = 0;
        HINTERNET request = transfer.handles().request.load();
        if (request == nullptr || !InternetReadFile(request, bytes.data() + total, announced - total, &got)) return false;
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

// The transfer itself; *error receives the system error of a failed connect or send.
BOOL HttpGetOnce(const HttpGetRequest& req, DWORD* error) {
    if (req.url == nullptr) return FALSE;
    const std::u16string url = ToU16(req.url);
    if (url.size() > kMaxAddressChars) return FALSE;
    // One cut of the address serves both the service test and the connection. Pings and
    // service downloads must be http; the others skip the scheme unseen.
    const auto parts = SplitHostAndPath(url, req.ping || req.requireServiceUrl);
    if (!parts) return FALSE;
    if (req.requireServiceUrl && !IsServiceHost(*parts, ServiceDomains())) return FALSE;
    const std::wstring host = ToWide(parts->host);
    const std::wstring object = ToWide(parts->object);

    Transfer transfer(req.handles);
    HttpHandles& h = transfer.handles();
    if (h.cancelled.load()) return FALSE;
    h.internet.store(InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (h.internet.load() == nullptr) return FALSE;
    h.connect.store(InternetConnectW(h.internet.load(), host.c_str(), parts->port, nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
    if (h.connect.load() == nullptr) {
        *error = GetLastError();
        return FALSE;
    }
    // Always from the server; and nothing into the cache, which is never read from.
    h.request.store(HttpOpenRequestW(h.connect.load(), L"GET", object.c_str(), L"HTTP/1.1", nullptr, nullptr,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (h.request.load() == nullptr) return FALSE;
    if (!HttpSendRequestW(h.request.load(), kRequestHeaders, static_cast<DWORD>(wcslen(kRequestHeaders)), nullptr, 0)) {
        *error = GetLastError();
        return FALSE;
    }
    if (req.ping) return TRUE;

    DWORD announced = 0;
    if (!QueryStatusAccepted(h.request.load()) || !QueryAnnouncedLength(h.request.load(), &announced)) return FALSE;
    if (req.text != nullptr) return ReadIntoText(req, transfer, announced) ? TRUE : FALSE;
    if (req.filePath != nullptr) return ReadIntoFile(req, transfer, announced) ? TRUE : FALSE;
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

BOOL DownloadToFile(const wchar_t* url, const wchar_t* path, bool requireServiceUrl) {
    HttpGetRequest req;
    req.url = url;
    req.filePath = path;
    req.requireServiceUrl = requireServiceUrl;
    return HttpGet(req);
}

}  // namespace vorn
