#pragma once
// Usage counters: how many runs of a kind this machine has made.
#include <cstdint>
#include <string_view>

namespace vorn {

enum CounterKind : int {
    COUNTER_PARTNER = 0,    // "Vorn": partner start
    COUNTER_INSTALL = 1,    // "Inst": install run
    COUNTER_UNINSTALL = 2,  // "UnInst": uninstall run
    COUNTER_GAME = 3,       // "Game": launcher start
};

// The value to store after one more run, given the stored text. The text is read as a
// decimal number (no digits counts as 0). A negative text also counts as 0, and a counter
// that has reached the largest unsigned 32-bit value stays there rather than wrapping.
std::uint32_t NextCounterValue(std::u16string_view stored);

}  // namespace vorn
