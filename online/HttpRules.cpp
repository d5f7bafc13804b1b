#include "online/HttpRules.h"

#include "common/RunMode.h"
#include "common/TextNumbers.h"

namespace vorn {

namespace {

constexpr std::u16string_view kScheme = u"http://";

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

std::u16string Lowered(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = AsciiLower(c);
    return out;
}

bool IsAllDigits(std::u16string_view text) {
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

}  // namespace

bool StartsWithIgnoreAsciiCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::optional<HostAndPath> SplitHostAndPath(std::u16string_view address, bool checkScheme) {
    if (address.size() < kScheme.size()) return std::nullopt;
    if (checkScheme && !StartsWithIgnoreAsciiCase(address, kScheme)) return std::nullopt;
    std::u16string_view rest = address.substr(kScheme.size());

    HostAndPath out;
    const size_t slash = rest.find(u'/');
    std::u16string_view host = slash == std::u16string_view::npos ? rest : rest.substr(0, slash);
    std::u16string_view object = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);

    const size_t colon = host.find(u':');
    if (colon != std::u16string_view::npos) {
        std::u16string_view portText = host.substr(colon + 1);
        host = host.substr(0, colon);
        // A port that is no plain number, or out of range, would connect somewhere else
        // than the address says.
        if (!IsAllDigits(portText) || portText.size() > 5) return std::nullopt;
        const int port = ParseDecimalPrefix(portText);
        if (port > 65535) return std::nullopt;
        out.port = static_cast<std::uint16_t>(port == 0 ? 80 : port);
    }
    if (host.empty() || host.size() > kMaxHostChars || object.size() > kMaxObjectChars) return std::nullopt;
    out.host = std::u16string(host);
    out.object = std::u16string(object);
    return out;
}

std::vector<std::u16string> ParseServiceDomains(std::u16string_view list) {
    std::vector<std::u16string> domains;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(u';', start);
        if (end == std::u16string_view::npos) end = list.size();
        std::u16string_view item = list.substr(start, end - start);
        while (!item.empty() && item.front() == u' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == u' ') item.remove_suffix(1);
        if (!item.empty()) domains.push_back(Lowered(item));
        start = end + 1;
    }
    return domains;
}

bool IsServiceHost(const HostAndPath& parts, const std::vector<std::u16string>& domains) {
    // Only a plain host name is judged: anything else ("@", "?", "\\", ...) could be read
    // as another host by whoever resolves it.
    for (char16_t c : parts.host) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'.' || c == u'-';
        if (!plain) return false;
    }
    const std::u16string lowered = Lowered(parts.host);
    for (const auto& domain : domains) {
        if (domain.empty()) continue;
        if (lowered == domain) return true;
        if (lowered.size() > domain.size() + 1 &&
            lowered.compare(lowered.size() - domain.size(), domain.size(), domain) == 0 &&
            lowered[lowered.size() - domain.size() - 1] == u'.') {
            return true;
        }
    }
    return false;
}

bool IsServiceUrl(std::u16string_view address, const std::vector<std::u16string>& domains) {
    const auto parts = SplitHostAndPath(address, true);
    return parts && IsServiceHost(*parts, domains);
}

bool IsAcceptedStatus(std::u16string_view statusText) { return ParseDecimalPrefix(statusText) != 404; }

std::uint32_t ProgressPercent(std::uint64_t received, std::uint64_t announced) {
    if (announced == 0) return 0;
    if (received >= announced) return 100;
    return static_cast<std::uint32_t>(received * 100 / announced);
}

void ProgressDeadline::Received(std::uint64_t bytes, std::uint64_t nowMs) {
    inWindow_ += bytes;
    if (inWindow_ >= windowBytes_) {
        windowStart_ = nowMs;
        inWindow_ = 0;
    }
}

std::uint32_t ProgressDeadline::MsLeft(std::uint64_t nowMs) const {
    // A clock that went backwards counts as no time passed.
    const std::uint64_t passed = nowMs > windowStart_ ? nowMs - windowStart_ : 0;
    return passed >= windowMs_ ? 0 : static_cast<std::uint32_t>(windowMs_ - passed);
}

bool IsRedirectStatus(std::u16string_view statusText) {
    if (statusText.size() != 3 || !IsAllDigits(statusText)) return false;
    const int code = ParseDecimalPrefix(statusText);
    return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

std::optional<std::u16string> RedirectAddress(const HostAndPath& from, std::u16string_view location) {
    for (char16_t c : location) {
        if (c <= u' ' || c == 0x7F) return std::nullopt;
    }
    std::u16string out;
    if (StartsWithIgnoreAsciiCase(location, kScheme)) {
        out = location;
    } else if (location.substr(0, 2) == u"//") {
        out = u"http:";
        out += location;
    } else if (!location.empty() && location.front() == u'/') {
        out = kScheme;
        out += from.host;
        if (from.port != 80) {
            out += u':';
            out += FormatUnsigned(from.port);
        }
        out += location;
    } else {
        return std::nullopt;
    }
    if (out.size() > kMaxAddressChars) return std::nullopt;
    return out;
}

std::u16string CounterPingAddress(std::u16string_view host, std::u16string_view pathAndQuery, std::uint32_t count) {
    std::u16string out(kScheme);
    out += host;
    out += pathAndQuery;
    out += u"&count=";
    out += FormatUnsigned(count);
    return out;
}

}  // namespace vorn
