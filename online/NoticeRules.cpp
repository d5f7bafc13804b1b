#include "online/NoticeRules.h"

#include <array>

#include "common/TextNumbers.h"
#include "maintenance/DateText.h"
#include "online/HttpRules.h"

namespace vorn {

namespace {

constexpr size_t kNoticeFieldCount = 7;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// At most `count` code units, one fewer when the last would be half of a pair.
std::u16string_view CutAt(std::u16string_view text, size_t count) {
    if (text.size() <= count) return text;
    if (count > 0 && IsHighSurrogate(text[count - 1])) --count;
    return text.substr(0, count);
}

std::u16string FitBuffer(std::u16string_view text, size_t bufferChars) {
    return std::u16string(CutAt(text, bufferChars - 1));
}

}  // namespace

std::u16string_view NoticeFirstLine(std::u16string_view text) {
    return text.substr(0, text.find_first_of(u"\r\n"));
}

std::optional<NoticeFields> ParseNoticeLine(std::u16string_view line) {
    std::array<std::u16string_view, kNoticeFieldCount> parts;
    size_t start = 0;
    for (size_t i = 0; i + 1 < kNoticeFieldCount; ++i) {
        const size_t bar = line.find(u'|', start);
        if (bar == std::u16string_view::npos) return std::nullopt;
        parts[i] = line.substr(start, bar - start);
        start = bar + 1;
    }
    parts[kNoticeFieldCount - 1] = line.substr(start);

    NoticeFields fields;
    fields.id = FitBuffer(parts[0], kNoticeIdChars);
    fields.expiry = FitBuffer(parts[1], kNoticeExpiryChars);
    fields.title = FitBuffer(parts[2], kNoticeTitleChars);
    fields.link = FitBuffer(parts[3], kNoticeLinkChars);
    fields.content = FitBuffer(parts[4], kNoticeContentChars);
    fields.pictureUrl = FitBuffer(parts[5], kNoticePictureChars);
    fields.repeat = ParseDecimalPrefix(parts[6]);
    return fields;
}

bool IsNoticeWanted(std::u16string_view text, std::u16string_view storedLine, std::u16string_view storedEnable) {
    if (text.empty()) return false;
    if (storedLine.empty() || text.find(storedLine) == std::u16string_view::npos) return true;
    return storedEnable != u"0";
}

bool IsNoticeExpired(const std::u16string& expiry, const std::u16string& today) {
    return CompareDateText(expiry.c_str(), today.c_str()) > 0;
}

NoticeLayout ChooseNoticeLayout(const NoticeFields& fields) {
    if (fields.pictureUrl.empty()) return NoticeLayout::TextOnly;
    return fields.content.empty() ? NoticeLayout::PictureOnly : NoticeLayout::PictureAndText;
}

std::u16string ShortenNoticeText(std::u16string_view text, size_t limit) {
    if (text.size() <= limit) return std::u16string(text);
    return std::u16string(CutAt(text, limit)) + u"...";
}

bool IsOpenableNoticeLink(std::u16string_view link) {
    if (!StartsWithIgnoreAsciiCase(link, u"http://") && !StartsWithIgnoreAsciiCase(link, u"https://")) return false;
    // The address reaches the browser inside a quoted command line: a quote, a blank or a
    // control character (none of which an address holds unescaped) could add arguments.
    for (char16_t c : link) {
        if (c <= u' ' || c == u'"' || c == 0x7F) return false;
    }
    return true;
}

}  // namespace vorn
