#pragma once
// How an HTML dialog picks the handler of a page event: the entries of its table are
// tried in order against the event's source element only (no walk to its parents), and
// the first one that matches runs.
#include <cstddef>
#include <string_view>

namespace vorn {

enum class PageEventMatch { ByClass, ByTag };

struct PageEventKey {
    PageEventMatch match;
    std::u16string_view name;
    long dispid;
};

// A class entry matches when the element's class attribute is exactly the name (so
// "button big" is not "button"); a tag entry when the tag name equals it ignoring the
// case of ASCII letters (the page model reports "BODY" for "body").
bool PageEventEntryMatches(const PageEventKey& entry, long dispid, std::u16string_view className,
                           std::u16string_view tagName);

// Index of the first matching entry of keys[0..count), or -1.
template <typename KeyOf>
int FindPageEventEntry(std::size_t count, KeyOf keyOf, long dispid, std::u16string_view className,
                       std::u16string_view tagName) {
    for (std::size_t i = 0; i < count; ++i) {
        if (PageEventEntryMatches(keyOf(i), dispid, className, tagName)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace vorn
