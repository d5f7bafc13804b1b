#pragma once
// The notice line the service publishes for the pop-up, and the pop-up's decisions that
// need no window: which notice counts as new, when one has expired, which layout it takes,
// how its texts are shortened and which of its links may be opened.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Buffer sizes of the fields, terminator included. A longer field is cut to fit.
inline constexpr size_t kNoticeIdChars = 32;
inline constexpr size_t kNoticeExpiryChars = 32;
inline constexpr size_t kNoticeTitleChars = 64;
inline constexpr size_t kNoticeLinkChars = 512;
inline constexpr size_t kNoticeContentChars = 512;
inline constexpr size_t kNoticePictureChars = 512;

struct NoticeFields {
    std::u16string id;
    std::u16string expiry;  // last day shown, "%04d-%02d-%02d"
    std::u16string title;
    std::u16string link;
    std::u16string content;
    std::u16string pictureUrl;  // empty for a text-only notice
    int repeat = 0;             // showings after the first
};

// A notice is one line: whatever follows its first line break is not part of it (and a
// stored copy with a line break could add lines of its own to the settings file).
std::u16string_view NoticeFirstLine(std::u16string_view text);

// Seven fields separated by "|"; the seventh (a decimal number) is everything after the
// sixth "|". Nothing when a separator is missing.
std::optional<NoticeFields> ParseNoticeLine(std::u16string_view line);

// Whether a fetched notice is shown, given what was stored about the last one: a notice is
// new unless the stored line occurs in it; a known one returns unless it was dismissed.
bool IsNoticeWanted(std::u16string_view text, std::u16string_view storedLine, std::u16string_view storedEnable);

// True when `today` is later than the notice's last day, or that day cannot be read.
bool IsNoticeExpired(const std::u16string& expiry, const std::u16string& today);

enum class NoticeLayout { PictureAndText, PictureOnly, TextOnly };
NoticeLayout ChooseNoticeLayout(const NoticeFields& fields);

// The text cut to `limit` characters, with "..." after it when something was cut. A
// character made of two code units is never split.
std::u16string ShortenNoticeText(std::u16string_view text, size_t limit);

// Only web pages open from a notice: a line published by the service, or by whoever
// answers in its place, must not start a program or open a local file. An address with a
// blank, a quote or a control character is refused too.
bool IsOpenableNoticeLink(std::u16string_view link);

}  // namespace vorn
