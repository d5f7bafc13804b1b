#include "common/RunMode.h"

#include "common/TextNumbers.h"

namespace vorn {

namespace {
constexpr size_t kHandleArgChars = 16;  // "/" + handle, as the launcher writes it
constexpr size_t kTabsArgChars = 8;     // "/" + tab count

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}
}  // namespace

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

int ReadNumberArgument(const std::u16string* argument, size_t bufferChars) {
    if (argument == nullptr || bufferChars < 2) return 0;
    std::u16string_view text(*argument);
    text = text.substr(0, bufferChars - 1);
    if (text.empty()) return 0;  // nothing to skip, nothing to read
    return ParseDecimalPrefix(text.substr(1));
}

RunModeChoice ChooseRunMode(const std::vector<std::u16string>& args,
                            std::u16string_view exePathUpper,
                            std::u16string_view dataFolderUpper) {
    RunModeChoice choice;
    auto arg = [&](size_t i) -> const std::u16string* { return i < args.size() ? &args[i] : nullptr; };

    if (args.size() > 1) {
        const std::u16string& first = args[1];
        static constexpr struct {
            std::u16string_view name;
            int mode;
        } kSwitches[] = {
            {u"/KovoD", MODE_PARTNER}, {u"/Zelqa7D", MODE_SHORTCUT}, {u"/uninst", MODE_UNINSTALL},
            {u"/update", MODE_UPDATE}, {u"/newgm", MODE_NEWGM},      {u"/gmhall", MODE_GMHALL},
        };
        for (const auto& entry : kSwitches) {
            if (!EqualsIgnoreAsciiCase(first, entry.name)) continue;
            choice.mode = entry.mode;
            if (entry.mode == MODE_NEWGM) {
                choice.launcherWnd = ReadNumberArgument(arg(2), kHandleArgChars);
                choice.launcherTabs = ReadNumberArgument(arg(3), kTabsArgChars);
            } else if (entry.mode == MODE_GMHALL) {
                choice.launcherWnd = ReadNumberArgument(arg(2), kHandleArgChars);
            }
            return choice;
        }
    }
    // Inside the data folder means the folder's whole path from the start, then a separator:
    // "D:\x\C:\ProgramData\..." or "...\GameLoginX\..." is somewhere else.
    const bool installed = !dataFolderUpper.empty() && exePathUpper.size() > dataFolderUpper.size() + 1 &&
                           exePathUpper.substr(0, dataFolderUpper.size()) == dataFolderUpper &&
                           exePathUpper[dataFolderUpper.size()] == u'\\';
    choice.mode = installed ? MODE_INSTALLED : MODE_INSTALL;
    return choice;
}

}  // namespace vorn
