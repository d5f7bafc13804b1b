#include "app/SelfDeleteBatch.h"

namespace vorn {

namespace {
constexpr size_t kBatchBufferBytes = 2048;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }
}  // namespace

std::string BatchFolderOf(std::string_view exePath) {
    const size_t slash = exePath.rfind('\\');
    return std::string(slash == std::string_view::npos ? exePath : exePath.substr(0, slash));
}

std::optional<std::string> SelfDeleteBatchText(std::string_view exePath, std::string_view batchPath, bool longForm) {
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
