// Titles from other processes' copy-data messages: a title read is exactly the data up
// to its first zero, and nothing when the size is odd, no zero lies within it or the title
// is longer than the limit. Driven by a sequence of registrations, ended processes and
// arriving windows, the pending titles behave as a plain list model says: no title twice,
// none equal to a tab, never more than the limit waiting, a window takes its process's
// latest title or else the oldest unknown one.
#include "FuzzSupport.h"
#include "launcher/TabTitles.h"

using namespace vorn::launcher;
using Model = std::vector<PendingTitles::Entry>;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::fuzz::Input input(data, size);
    const std::size_t bytes = input.Byte() * 8u;
    const std::vector<std::uint8_t> raw = input.Bytes();
    const std::size_t n = std::min(bytes, raw.size());
    std::optional<std::u16string> read;
    if (n % 2 == 0) {
        std::u16string text;
        for (std::size_t k = 0; k + 1 < n; k += 2) {
            const char16_t c = static_cast<char16_t>(raw[k] | (raw[k + 1] << 8));
            if (c == 0) {
                if (text.size() <= kMaxTitleChars) read = text;
                break;
            }
            text.push_back(c);
        }
    }
    FUZZ_CHECK(ReadCopyDataTitle(raw.data(), n) == read);

    // The same bytes as operations on three small alphabets of titles and processes.
    PendingTitles pending;
    Model model;
    std::vector<std::u16string> tabs;
    auto modelHas = [&](const std::u16string& t) {
        return std::any_of(model.begin(), model.end(), [&](const auto& e) { return e.title == t; });
    };
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const std::uint8_t op = raw[i] % 4, arg = raw[i + 1];
        const std::u16string name(1 + arg % 5, static_cast<char16_t>(u'a' + (arg >> 3) % 3));
        const ProcessId process = (arg >> 5) % 4;  // 0: an unknown sender
        if (op == 0) {
            const bool expected = !modelHas(name) && std::find(tabs.begin(), tabs.end(), name) == tabs.end() &&
                                  model.size() < kMaxPendingTitles;
            FUZZ_CHECK(pending.Register(name, process, tabs) == expected);
            if (expected) model.push_back({name, process});
        } else if (op == 1) {
            std::vector<ProcessId> ended;
            for (const auto& e : model)
                if (e.process == process && process != kUnknownProcess) ended.push_back(process);
            std::erase_if(model, [&](const auto& e) { return e.process == process && process != kUnknownProcess; });
            FUZZ_CHECK(pending.DropEnded([&](ProcessId p) { return p == process; }) == ended);
        } else if (op == 2) {
            std::u16string expected;
            auto latest = std::find_if(model.rbegin(), model.rend(), [&](const auto& e) { return e.process == process; });
            if (process != kUnknownProcess && latest != model.rend()) {
                expected = latest->title;
                std::erase_if(model, [&](const auto& e) { return e.process == process; });
            } else if (auto oldest = std::find_if(model.begin(), model.end(), [](const auto& e) { return e.process == 0; });
                       oldest != model.end()) {
                expected = oldest->title;
                model.erase(oldest);
            }
            const std::u16string taken = pending.TakeFor(process);
            FUZZ_CHECK(taken == expected && !pending.Contains(taken));
            if (!taken.empty() && tabs.size() < 3) tabs.push_back(taken);
        } else if (!tabs.empty()) {
            tabs.erase(tabs.begin() + arg % tabs.size());
        }
        FUZZ_CHECK(pending.Entries().size() == model.size());
        for (std::size_t k = 0; k < model.size(); ++k) {
            FUZZ_CHECK(pending.Entries()[k].title == model[k].title && pending.Entries()[k].process == model[k].process);
        }
    }
    return 0;
}
