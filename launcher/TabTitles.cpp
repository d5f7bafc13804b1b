#include "launcher/TabTitles.h"

#include <algorithm>
#include <cstring>

namespace vorn::launcher {

std::optional<std::u16string> ReadCopyDataTitle(const void* data, std::size_t bytes) {
    if (data == nullptr || bytes == 0 || bytes % sizeof(char16_t) != 0) return std::nullopt;
    const auto* raw = static_cast<const unsigned char*>(data);
    std::u16string title;
    const std::size_t limit = std::min(bytes, (kMaxTitleChars + 1) * sizeof(char16_t));
    for (std::size_t at = 0; at < limit; at += sizeof(char16_t)) {
        char16_t unit;
        std::memcpy(&unit, raw + at, sizeof unit);  // the data need not be aligned
        if (unit == u'\0') return title;
        title.push_back(unit);
    }
    return std::nullopt;  // no terminator within the data, or too long a title
}

ProcessId TitleSender(ProcessId fromSenderWindow, const std::vector<ProcessId>& processesLoggingIn) {
    if (fromSenderWindow != kUnknownProcess) return fromSenderWindow;
    return processesLoggingIn.size() == 1 ? processesLoggingIn.front() : kUnknownProcess;
}

bool PendingTitles::Register(std::u16string title, ProcessId sender, const std::vector<std::u16string>& tabTitles) {
    if (m_entries.size() >= kMaxPendingTitles || Contains(title) || std::find(tabTitles.begin(), tabTitles.end(), title) != tabTitles.end()) return false;
    m_entries.push_back({std::move(title), sender});
    return true;
}

std::vector<ProcessId> PendingTitles::DropEnded(const std::function<bool(ProcessId)>& hasEnded) {
    std::vector<ProcessId> ended;
    std::erase_if(m_entries, [&](const Entry& entry) {
        if (entry.process == kUnknownProcess || !hasEnded(entry.process)) return false;
        ended.push_back(entry.process);
        return true;
    });
    return ended;
}

std::u16string PendingTitles::TakeFor(ProcessId process) {
    std::u16string title;
    if (process != kUnknownProcess) {
        // A process that registered more than once got its window for the last title.
        const auto latest = std::find_if(m_entries.rbegin(), m_entries.rend(),
                                         [&](const Entry& entry) { return entry.process == process; });
        if (latest != m_entries.rend()) {
            title = latest->title;
            std::erase_if(m_entries, [&](const Entry& entry) { return entry.process == process; });
            return title;
        }
    }
    const auto oldest = std::find_if(m_entries.begin(), m_entries.end(),
                                     [](const Entry& entry) { return entry.process == kUnknownProcess; });
    if (oldest != m_entries.end()) {
        title = oldest->title;
        m_entries.erase(oldest);
    }
    return title;
}

bool PendingTitles::Contains(std::u16string_view title) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& entry) { return entry.title == title; });
}

bool PendingTitles::HasProcess(ProcessId process) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const Entry& entry) { return entry.process == process; });
}

}  // namespace vorn::launcher
