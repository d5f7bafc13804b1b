#pragma once
// Tab titles on their way to a tab. A game process registers its title before its game
// window arrives; the two are paired by the process that sent them, so that a process
// which registers and then dies cannot leave its title behind (blocking that account) or
// hand it to another process's window.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::launcher {

using ProcessId = unsigned long;  // 0: sender not known
inline constexpr ProcessId kUnknownProcess = 0;

// Titles come from other processes: longer ones, and more waiting for their windows than
// any player can be logging in at once, are refused rather than kept.
inline constexpr std::size_t kMaxTitleChars = 256;
inline constexpr std::size_t kMaxPendingTitles = 8;

// The title carried by a copy-data message: at most `bytes` bytes are read. Refused
// (nothing) when there is no data, the size is odd, no terminating zero lies within it,
// or the title is longer than kMaxTitleChars; the title ends at the first zero.
std::optional<std::u16string> ReadCopyDataTitle(const void* data, std::size_t bytes);

// The process that sent a title: the one named through the sender's window when it gave
// one, else the only game process still logging in, else unknown.
ProcessId TitleSender(ProcessId fromSenderWindow, const std::vector<ProcessId>& processesLoggingIn);

class PendingTitles {
public:
    struct Entry {
        std::u16string title;
        ProcessId process = kUnknownProcess;
    };

    // Registers a title unless it equals (exactly) one of the tab titles or another
    // pending one, or kMaxPendingTitles are pending already; false when refused.
    bool Register(std::u16string title, ProcessId sender, const std::vector<std::u16string>& tabTitles);

    // Drops the titles of known processes that have ended; answers those processes.
    std::vector<ProcessId> DropEnded(const std::function<bool(ProcessId)>& hasEnded);

    // The title for a window of `process` that has arrived: that process's latest title
    // (any older ones of it are dropped), else the oldest title of an unknown sender,
    // else empty. The title taken is no longer pending.
    std::u16string TakeFor(ProcessId process);

    bool Contains(std::u16string_view title) const;
    bool HasProcess(ProcessId process) const;
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;  // in the order of registration
};

}  // namespace vorn::launcher
