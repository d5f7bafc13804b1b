#include "app/SelfDeleteBatch.h"

#include "common/PathRules.h"

namespace vorn {

std::string BatchFolderOf(std::string_view exePath) {
    const size_t slash = exePath.rfind('\\');
    return std::string(slash == std::string_view::npos ? exePath : exePath.substr(0, slash));
}

std::optional<std::string> BatchLiteral(std::string_view path) {
    if (path.empty()) return std::nullopt;
    std::string quoted = "\"";
    for (const char c : path) {
        // A quote would end the word; a control character (a line break above all) would
        // start a command of its own. No file name holds either.
        if (c == '"' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        quoted += c;
        if (c == '%') quoted += '%';
    }
    return quoted + "\"";
}

std::optional<std::string> SelfDeleteBatchText(std::string_view ping, std::string_view target,
                                               std::string_view folder, std::string_view batchPath, int tries) {
    const auto pinger = BatchLiteral(ping);
    const auto exe = BatchLiteral(target);
    const auto self = BatchLiteral(batchPath);
    if (!pinger || !exe || !self || tries < 1) return std::nullopt;
    std::string text;
    // No echo of commands, and "!" taken as itself whatever the machine's default.
    text += "@echo off\r\n";
    text += "setlocal DisableDelayedExpansion\r\n";
    text += "set tries=0\r\n";
    text += ":delexe\r\n";
    // Two echo requests to the loopback address: about a second between two tries.
    text += *pinger + " -n 2 127.0.0.1 >nul\r\n";
    text += "del /f " + *exe + "\r\n";
    text += "if not exist " + *exe + " goto deleted\r\n";
    text += "set /a tries+=1\r\n";
    text += "if %tries% lss " + std::to_string(tries) + " goto delexe\r\n";
    text += "goto done\r\n";
    text += ":deleted\r\n";
    if (!folder.empty()) {
        const auto dir = BatchLiteral(folder);
        if (!dir) return std::nullopt;
        text += "del " + *dir + " /Q /F /A\r\n";
        text += "rd " + *dir + "\r\n";
    }
    text += ":done\r\n";
    text += "del " + *self + "\r\n";
    return text;
}

std::u16string WithoutPendingDeletes(std::u16string_view list, const std::vector<std::u16string>& paths) {
    std::vector<std::u16string_view> strings;
    for (size_t start = 0; start < list.size();) {
        const size_t end = list.find(u'\0', start);
        if (end == std::u16string_view::npos) break;  // an unterminated rest is not a string
        strings.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    while (!strings.empty() && strings.back().empty() && strings.size() % 2 == 1) strings.pop_back();  // the list's end
    std::u16string out;
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        const std::u16string_view from = strings[i], to = strings[i + 1];
        bool dropped = false;
        if (to.empty() && from.substr(0, 4) == u"\\??\\") {
            for (const std::u16string& path : paths) dropped = dropped || SameAsciiInsensitive(from.substr(4), path);
        }
        if (dropped) continue;
        out.append(from);
        out += u'\0';
        out.append(to);
        out += u'\0';
    }
    if (!out.empty()) out += u'\0';
    return out;
}

}  // namespace vorn
