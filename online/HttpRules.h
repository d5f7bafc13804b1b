#pragma once
// Decisions of the program's HTTP GET procedure that do not need the network: cutting an
// address into host, port and object name, which hosts count as the platform's service,
// which replies are accepted, and the progress arithmetic.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

struct HostAndPath {
    std::u16string host;
    std::uint16_t port = 80;
    std::u16string object;  // without its leading "/"
};

inline constexpr size_t kMaxHostChars = 259;
inline constexpr size_t kMaxObjectChars = 511;
inline constexpr size_t kMaxAddressChars = 511;

// Cuts "http://host[:port][/object]". With checkScheme the address must begin with
// "http://" in any letter case; without it the first seven characters are skipped
// unseen. Nothing when the address is too short, a part is longer than its buffer, or the
// port is not a number from 1 to 65535 (an empty or zero port means 80).
std::optional<HostAndPath> SplitHostAndPath(std::u16string_view address, bool checkScheme);

// The service domains of the build, from their ";"-separated list (blanks and empty
// entries dropped).
std::vector<std::u16string> ParseServiceDomains(std::u16string_view list);

// TRUE when the host of a cut address is a plain host name that is one of the service
// domains or a name under one of them (letter case ignored), so that downloads come only
// from the platform's own hosts. Judging the very parts the connection is made with keeps
// the host tested and the host connected to the same.
bool IsServiceHost(const HostAndPath& parts, const std::vector<std::u16string>& domains);

// An http address (scheme checked) whose cut host passes IsServiceHost.
bool IsServiceUrl(std::u16string_view address, const std::vector<std::u16string>& domains);

// The status line's code as text: every status except 404 is accepted.
bool IsAcceptedStatus(std::u16string_view statusText);

// Percentage for the progress bar, computed wide enough for any file size, at most 100;
// 0 when nothing was announced.
std::uint32_t ProgressPercent(std::uint64_t received, std::uint64_t announced);

// "http://" + host + pathAndQuery + "&count=" + count.
std::u16string CounterPingAddress(std::u16string_view host, std::u16string_view pathAndQuery, std::uint32_t count);

bool StartsWithIgnoreAsciiCase(std::u16string_view text, std::u16string_view prefix);

// Largest body accepted for each kind of reply. Nothing the service sends legitimately
// comes near these; they keep a broken or hostile server from filling the disk or
// holding memory.
inline constexpr std::uint64_t kConfigReplyBytes = 64 * 1024;           // update configurations
inline constexpr std::uint64_t kNoticePictureReplyBytes = 4 * 1024 * 1024;
inline constexpr std::uint64_t kProgramReplyBytes = 256ull * 1024 * 1024;  // executables, installers

// Whether a body of `announced` bytes may be fetched under `limit`.
inline bool FitsReplyLimit(std::uint64_t announced, std::uint64_t limit) { return announced <= limit; }

// The transfer counts as stalled when less than kProgressWindowBytes arrived in a whole
// window of kProgressWindowMs: a line that trickles a byte now and then holds a thread
// as surely as one that is silent.
inline constexpr std::uint32_t kProgressWindowMs = 30000;
inline constexpr std::uint64_t kProgressWindowBytes = 4096;

class ProgressDeadline {
public:
    ProgressDeadline(std::uint32_t windowMs, std::uint64_t windowBytes, std::uint64_t nowMs)
        : windowMs_(windowMs), windowBytes_(windowBytes), windowStart_(nowMs) {}
    // Counts bytes that arrived; enough of them open a new window.
    void Received(std::uint64_t bytes, std::uint64_t nowMs);
    // Milliseconds the next wait may take; 0 once the window has passed.
    std::uint32_t MsLeft(std::uint64_t nowMs) const;

private:
    std::uint32_t windowMs_;
    std::uint64_t windowBytes_;
    std::uint64_t windowStart_;
    std::uint64_t inWindow_ = 0;
};

// Hops followed after the first address before a download is given up.
inline constexpr int kMaxRedirects = 5;

// A status line's code that asks the client to fetch another address.
bool IsRedirectStatus(std::u16string_view statusText);

// The absolute http address a redirect's Location names, seen from the cut address it
// came from: an http address as it is, "//host/..." and "/path" completed from the
// scheme or host and port. Nothing for other schemes, paths relative to the object,
// control characters or blanks, or an address too long to be fetched; the result is
// judged like a first address before it is fetched.
std::optional<std::u16string> RedirectAddress(const HostAndPath& from, std::u16string_view location);

}  // namespace vorn
