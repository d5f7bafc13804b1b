#pragma once
// The program's one HTTP GET procedure, over WinINet. The calling thread waits for the
// result; the library's blocking calls run on a thread of their own, so that a deadline
// or a cancel never depends on the library returning.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "online/HttpRules.h"

namespace vorn {

// The cancel switch of a transfer in progress, kept where another thread can reach it.
// The transfer notices a cancel within a tenth of a second and returns at once; it never
// waits for the network library to give up a blocked call.
struct HttpHandles {
    std::atomic<bool> cancelled{false};
    // Cancels the transfer; safe from any thread, any number of times.
    void CloseAll() { cancelled.store(true); }
    // Makes the switch ready for the next transfer; only while no transfer uses it.
    void Reset() { cancelled.store(false); }
};

// Largest read of a body into a file. Each read is one call through the system's HTTP
// library, which costs about as much as copying tens of kilobytes, so small reads
// dominated the time of a download.
inline constexpr DWORD kDefaultReadBytes = 256 * 1024;

struct HttpGetRequest {
    const wchar_t* url = nullptr;
    // Usage ping: the address must be http, the reply is never read, and a failed
    // connect or send keeps its system error code.
    bool ping = false;
    // Downloads from an address given by the network must come from the service; so must
    // every address it redirects to.
    bool requireServiceUrl = false;
    // Largest body accepted (file sink): a larger announced length fails before anything
    // is written.
    std::uint64_t maxBytes = kProgramReplyBytes;
    // File sink: the body goes to this file, read in blocks of at most readSize bytes.
    const wchar_t* filePath = nullptr;
    DWORD readSize = kDefaultReadBytes;
    // Memory sink: the body (below 1024 bytes, ANSI code page) as text, 1024 characters.
    wchar_t* text = nullptr;
    // Progress in percent to this progress bar (PBM_SETPOS) after each block that
    // changes it.
    HWND progressBar = nullptr;
    // The transfer's cancel switch; null when it cannot be cancelled.
    HttpHandles* handles = nullptr;
    // Set (when given) if the transfer failed because of what the service answered rather
    // than the line: an address outside the service, first or redirected, or a body larger
    // than maxBytes.
    bool* refused = nullptr;
};

// TRUE when the request was sent (ping) or the whole announced body arrived. Every
// request has a connect time-out and fails when the reply stops making progress (see
// ProgressDeadline); redirects are followed by this procedure, at most kMaxRedirects of
// them, each only to an http address of the service (whatever the first address was). A
// file sink that fails is removed: no caller is ever left with part of a body.
BOOL HttpGet(const HttpGetRequest& request);

BOOL PingUrl(const wchar_t* url);
BOOL DownloadToFile(const wchar_t* url, const wchar_t* path, bool requireServiceUrl,
                    std::uint64_t maxBytes = kProgramReplyBytes);

// The service host and domains compiled into this build.
bool IsServiceUrl(const wchar_t* url);

// Request header text sent with every request.
inline constexpr wchar_t kRequestHeaders[] =
    L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n";
inline constexpr wchar_t kAgent[] = L"ROZ";

}  // namespace vorn
