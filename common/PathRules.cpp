#include "common/PathRules.h"

namespace vorn {

std::optional<std::u16string> PathBesideFile(std::u16string_view fullPath, const char16_t* name) {
    const size_t slash = fullPath.rfind(u'\\');
    if (slash == std::u16string_view::npos) return std::nullopt;
    std::u16string out(fullPath);
    if (name != nullptr) {
        out.resize(slash + 1);
        out += name;
    }
    if (out.size() >= kMaxPathChars) return std::nullopt;
    return out;
}

std::optional<std::u16string> DumpPathFor(std::u16string_view exePath) {
    const size_t dot = exePath.rfind(u'.');
    if (dot == std::u16string_view::npos) return std::nullopt;
    std::u16string out(exePath.substr(0, dot));
    out += u".dmp";
    return out;
}

std::u16string QuotedProgramPath(std::u16string_view path) {
    std::u16string out;
    out.reserve(path.size() + 2);
    out += u'"';
    out += path;
    out += u'"';
    return out;
}

}  // namespace vorn
