#include "framework/PageEventMatch.h"

namespace vorn {

namespace {
char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c; }
}  // namespace

bool PageEventEntryMatches(const PageEventKey& entry, long dispid, std::u16string_view className,
                           std::u16string_view tagName) {
    if (entry.dispid != dispid) return false;
    if (entry.match == PageEventMatch::ByClass) return className == entry.name;
    if (tagName.size() != entry.name.size()) return false;
    for (std::size_t i = 0; i < tagName.size(); ++i) {
        if (LowerAscii(tagName[i]) != LowerAscii(entry.name[i])) return false;
    }
    return true;
}

}  // namespace vorn
