// A notice line: the first line holds no line break; each field is the start of its part,
// fits its buffer and never ends in half a surrogate pair; shortened texts keep whole
// characters; an openable link is a web address without blanks, quotes or control codes.
#include "FuzzSupport.h"
#include "online/NoticeRules.h"

using namespace vorn;

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// `piece` starts `whole`, has fewer than `buffer` units and does not cut a pair in two.
bool IsWholePrefix(std::u16string_view piece, std::u16string_view whole, std::size_t buffer) {
    if (piece.size() >= buffer || whole.substr(0, piece.size()) != piece) return false;
    return piece.empty() || piece.size() == whole.size() || !IsHigh(piece.back()) || !IsLow(whole[piece.size()]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::size_t limit = input.Byte();
    const std::u16string text = input.Text();

    const std::u16string_view line = NoticeFirstLine(text);
    FUZZ_CHECK(text.starts_with(line) && line.find_first_of(u"\r\n") == std::u16string_view::npos);

    const std::u16string shortened = ShortenNoticeText(text, limit);
    if (text.size() <= limit) {
        FUZZ_CHECK(shortened == text);
    } else {
        FUZZ_CHECK(shortened.ends_with(u"..."));
        const std::u16string_view kept = std::u16string_view(shortened).substr(0, shortened.size() - 3);
        FUZZ_CHECK(IsWholePrefix(kept, text, limit + 1) && kept.size() + 1 >= limit);
    }

    if (const auto fields = ParseNoticeLine(line)) {
        std::vector<std::u16string_view> parts;
        std::size_t start = 0;
        for (int i = 0; i < 6; ++i) {
            const std::size_t bar = line.find(u'|', start);
            FUZZ_CHECK(bar != std::u16string_view::npos);
            parts.push_back(line.substr(start, bar - start));
            start = bar + 1;
        }
        FUZZ_CHECK(IsWholePrefix(fields->id, parts[0], kNoticeIdChars));
        FUZZ_CHECK(IsWholePrefix(fields->expiry, parts[1], kNoticeExpiryChars));
        FUZZ_CHECK(IsWholePrefix(fields->title, parts[2], kNoticeTitleChars));
        FUZZ_CHECK(IsWholePrefix(fields->link, parts[3], kNoticeLinkChars));
        FUZZ_CHECK(IsWholePrefix(fields->content, parts[4], kNoticeContentChars));
        FUZZ_CHECK(IsWholePrefix(fields->pictureUrl, parts[5], kNoticePictureChars));
        if (IsOpenableNoticeLink(fields->link)) {
            FUZZ_CHECK(fuzz::StartsWithNoCase(fields->link, u"http://") || fuzz::StartsWithNoCase(fields->link, u"https://"));
            for (char16_t c : fields->link) FUZZ_CHECK(c > u' ' && c != u'"' && c != 0x7F);
        }
    } else {
        FUZZ_CHECK(std::count(line.begin(), line.end(), u'|') < 6);
    }
    return 0;
}
