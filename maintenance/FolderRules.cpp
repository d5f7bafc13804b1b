#include "maintenance/FolderRules.h"

#include "common/PathRules.h"

namespace vorn {

namespace {
constexpr std::uint32_t kDirectory = 0x10, kReparsePoint = 0x400;
}

FolderEntryAction FolderEntryActionFor(std::uint32_t attributes) {
    // Following a link would empty a folder somewhere else on the machine.
    if (attributes & kReparsePoint) {
        return (attributes & kDirectory) ? FolderEntryAction::RemoveLink : FolderEntryAction::DeleteFile;
    }
    return (attributes & kDirectory) ? FolderEntryAction::Descend : FolderEntryAction::DeleteFile;
}

namespace {

// "C:" then names separated by single backslashes, one trailing backslash allowed.
std::optional<std::vector<std::u16string_view>> PlainComponents(std::u16string_view path) {
    if (path.size() >= 2 && path.back() == u'\\' && path[path.size() - 2] != u'\\') path.remove_suffix(1);
    if (path.size() < 2 || path[1] != u':' || path.find(u'/') != std::u16string_view::npos) return std::nullopt;
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find(u'\\', start);
        const std::u16string_view part = path.substr(start, slash == std::u16string_view::npos ? slash : slash - start);
        if (part.empty() || part == u"." || part == u"..") return std::nullopt;
        parts.push_back(part);
        if (slash == std::u16string_view::npos) break;
        start = slash + 1;
    }
    return parts;
}

}  // namespace

std::optional<std::vector<std::u16string_view>> ComponentsInside(std::u16string_view path,
                                                                 std::u16string_view folder) {
    const auto inner = PlainComponents(path);
    const auto outer = PlainComponents(folder);
    if (!inner || !outer || inner->size() <= outer->size()) return std::nullopt;
    for (size_t i = 0; i < outer->size(); ++i) {
        if (!SameAsciiInsensitive((*inner)[i], (*outer)[i])) return std::nullopt;
    }
    return std::vector<std::u16string_view>(inner->begin() + static_cast<std::ptrdiff_t>(outer->size()), inner->end());
}

}  // namespace vorn
