#include "web/AppCommand.h"

#include <cstdint>
#include <vector>

#include "common/DeviceNames.h"
#include "online/NoticeRules.h"

namespace vorn {

namespace {

constexpr std::u16string_view kAppScheme = u"app:";
constexpr std::u16string_view kServerMark = u"服-";
constexpr char16_t kLeftTitleMark = u'《';
constexpr char16_t kRightTitleMark = u'》';
constexpr std::u16string_view kEnterGamePrefix = u"app://entergame|";

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
        if (c != prefix[i]) return false;
    }
    return true;
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

void AppendUtf8(std::vector<std::pair<uint8_t, uint8_t>>& out, char32_t cp) {
    // Each byte of a character written as itself costs one byte of the encoded text.
    auto put = [&](uint32_t b) { out.emplace_back(static_cast<uint8_t>(b), 1); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// UTF-8 to UTF-16; every byte that does not start a valid, shortest sequence becomes
// U+FFFD.
std::u16string DecodeUtf8(const std::vector<uint8_t>& bytes) {
    std::u16string out;
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t b = bytes[i];
        int length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (b < 0x80) {
            length = 1;
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2;
            cp = b & 0x1F;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            cp = b & 0x0F;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            cp = b & 0x07;
            minimum = 0x10000;
        }
        bool valid = length > 0 && i + static_cast<size_t>(length) <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            if (!IsContinuation(bytes[i + static_cast<size_t>(k)])) valid = false;
            cp = (cp << 6) | (bytes[i + static_cast<size_t>(k)] & 0x3F);
        }
        if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (!valid) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += static_cast<size_t>(length);
    }
    return out;
}

}  // namespace

DialogNavigation FilterDialogNavigation(std::u16string_view url) {
    if (StartsWith(url, kAppScheme)) return DialogNavigation::Cancel;
    if (StartsWith(url, u"javascript")) return DialogNavigation::Allow;
    return DialogNavigation::Proceed;
}

LoginRequest ParseLoginCommand(std::u16string_view url) {
    LoginRequest request;
    if (!StartsWith(url, kAppScheme)) return request;
    const std::u16string_view word = url.size() > 6 ? url.substr(6, 8) : std::u16string_view{};
    if (word == u"loadgame") {
        request.command = LoginCommand::LoadGame;
        if (url.size() > 15) {
            const size_t bar = url.find(u'|', 15);
            if (bar != std::u16string_view::npos) {
                request.accountPart = url.substr(15, bar - 15);
                request.gameUrl = url.substr(bar + 1);
            }
        }
    } else if (word == u"exitgame") {
        request.command = LoginCommand::ExitGame;
    } else if (word == u"minimize") {
        request.command = LoginCommand::Minimize;
    } else {
        request.command = LoginCommand::Unknown;
    }
    return request;
}

std::u16string DecodeAccountPart(std::u16string_view part) {
    if (part.empty() || part.find(u'%') == std::u16string_view::npos) return std::u16string(part);
    // The decoded bytes, each with what it cost of the encoded text: 3 for "%XX", one per
    // UTF-8 byte for a character written as itself.
    std::vector<std::pair<uint8_t, uint8_t>> units;
    for (size_t i = 0; i < part.size();) {
        const char16_t c = part[i];
        if (c == u'%' && i + 2 < part.size() && HexValue(part[i + 1]) >= 0 && HexValue(part[i + 2]) >= 0) {
            units.emplace_back(static_cast<uint8_t>(HexValue(part[i + 1]) * 16 + HexValue(part[i + 2])), 3);
            i += 3;
            continue;
        }
        char32_t cp = c;
        size_t used = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < part.size() && part[i + 1] >= 0xDC00 && part[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (part[i + 1] - 0xDC00);
            used = 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        AppendUtf8(units, cp);
        i += used;
    }
    // Keep whole characters while their encoded text fits the limit.
    size_t keep = 0;
    size_t cost = 0;
    for (size_t i = 0; i < units.size();) {
        size_t end = i + 1;
        size_t charCost = units[i].second;
        while (end < units.size() && IsContinuation(units[end].first)) charCost += units[end++].second;
        if (cost + charCost > kAccountPartBytes) break;
        cost += charCost;
        keep = end;
        i = end;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(keep);
    for (size_t i = 0; i < keep; ++i) bytes.push_back(units[i].first);
    return DecodeUtf8(bytes);
}

bool IsGameAddress(std::u16string_view url) {
    if (!StartsWithIgnoringAsciiCase(url, u"http://") && !StartsWithIgnoringAsciiCase(url, u"https://")) return false;
    for (char16_t c : url) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

std::u16string AccountKey::Key() const {
    return server + std::u16string(kServerMark) + middle + u"-" + account;
}

AccountKey SplitAccountPart(std::u16string_view part) {
    AccountKey key;
    const size_t mark = part.find(kServerMark);
    size_t middleStart = 1;
    if (mark != std::u16string_view::npos) {
        key.server = part.substr(0, mark);
        middleStart = mark + kServerMark.size();
    }
    size_t dash = std::u16string_view::npos;
    if (middleStart < part.size()) dash = part.find(u'-', middleStart);
    if (dash != std::u16string_view::npos) {
        key.middle = part.substr(middleStart, dash - middleStart);
        key.account = part.substr(dash + 1);
    } else {
        key.account = part;
    }
    std::erase(key.server, u'S');
    // A zone written with its title in 《》 keeps the title: the (at most) four characters
    // after the opening mark, whatever they are; without an opening mark, the first four.
    if (key.middle.find(kRightTitleMark) != std::u16string::npos) {
        const size_t open = key.middle.find(kLeftTitleMark);
        key.middle = key.middle.substr(open == std::u16string::npos ? 0 : open + 1, 4);
    }
    return key;
}

std::u16string DuplicateLoginMessage(const AccountKey& key) {
    return u"账号 " + key.account + u" 已在 " + key.server + u"服 登录，同一账号不能在一服重复登录";
}

bool IsAcceptableLauncherName(std::u16string_view name) {
    if (name.empty()) return false;
    for (char16_t c : name) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                        c == u'_' || c == u'-';
        if (!ok) return false;
    }
    return !IsReservedDeviceName(name);
}

EnterGameRequest ParseEnterGame(std::u16string_view url, std::u16string_view defaultDownloadPage) {
    EnterGameRequest request;
    if (url.find(kEnterGamePrefix) == std::u16string_view::npos) return request;
    request.isCommand = true;
    std::u16string_view argument = url.size() > kEnterGamePrefix.size() ? url.substr(kEnterGamePrefix.size())
                                                                         : std::u16string_view{};
    std::u16string_view page = defaultDownloadPage;
    const size_t bar = argument.find(u'|');
    if (bar != std::u16string_view::npos) {
        page = argument.substr(bar + 1);
        argument = argument.substr(0, bar);
    }
    // The page goes to the shell as the notice link does: the same rule for the same risk.
    if (!IsOpenableNoticeLink(page)) page = defaultDownloadPage;
    request.downloadPage = std::u16string(page);
    request.name = std::u16string(argument);
    std::erase(request.name, u'/');
    if (!IsAcceptableLauncherName(request.name)) return request;
    if (request.name[0] >= u'a' && request.name[0] <= u'z') request.name[0] = static_cast<char16_t>(request.name[0] - 0x20);
    request.carryOut = true;
    return request;
}

}  // namespace vorn
