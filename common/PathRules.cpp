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

bool SameAsciiInsensitive(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 0x20);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 0x20);
        if (x != y) return false;
    }
    return true;
}

}  // namespace vorn
