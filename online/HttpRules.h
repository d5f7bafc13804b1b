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

}  // namespace vorn
