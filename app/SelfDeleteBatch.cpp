#include "app/SelfDeleteBatch.h"

namespace vorn {

namespace {
constexpr size_t kBatchBufferBytes = 2048;

// A path as one literal word of a batch line: quoted, and "%" doubled, since a batch file
// expands "%name%" even inside quotes ("C:\a%TEMP%b" would name another folder).
std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out + "\"";
}

// A quote would end the quoted word and a control character (a line break above all)
// would start a command of its own; no file name holds either.
bool IsQuotable(std::string_view path) {
    for (char c : path) {
        if (c == '"' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}
}  // namespace

std::string BatchFolderOf(std::string_view exePath) {
    const size_t slash = exePath.rfind('\\');
    return std::string(slash == std::string_view::npos ? exePath : exePath.substr(0, slash));
}

std::optional<std::string> SelfDeleteBatchText(std::string_view exePath, std::string_view batchPath, bool longForm) {
    if (!IsQuotable(exePath) || !IsQuotable(batchPath)) return std::nullopt;
    std::string text;
    text += "cd\\\r\n";
    text += ":delexe\r\n";
    // One echo request to the loopback address: the pause between two tries.
    text += "ping -n 1 127.0.0.1\r\n";
    text += "del " + Quoted(exePath) + "\r\n";
    text += "if exist " + Quoted(exePath) + " goto :delexe\r\n";
    if (longForm) {
        const std::string folder = BatchFolderOf(exePath);
        text += "del " + Quoted(folder) + " /Q /F /A\r\n";
        text += "rd " + Quoted(folder) + "\r\n";
    }
    text += "del " + Quoted(batchPath) + "\r\n";
    if (text.size() >= kBatchBufferBytes) return std::nullopt;
    return text;
}

}  // namespace vorn
