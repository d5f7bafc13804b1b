#include "sound/TableSlotPatch.h"

namespace vorn {

bool PatchSlotOnce(TableSlotPatch& patch, void** slot, void* replacement, SlotUnprotect unprotect,
                   SlotReprotect reprotect) {
    if (!slot || !replacement) return false;
    void** expected = nullptr;
    if (!patch.slot.compare_exchange_strong(expected, slot, std::memory_order_acq_rel)) return false;
    std::uint32_t previous = 0;
    if (unprotect && !unprotect(slot, &previous)) {
        patch.slot.store(nullptr, std::memory_order_release);
        return false;
    }
    void* const current = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
    // Saving the replacement itself would make it call itself for ever.
    const bool patched = current != replacement;
    if (patched) {
        patch.saved.store(current, std::memory_order_release);
        __atomic_store_n(slot, replacement, __ATOMIC_RELEASE);
    }
    if (reprotect) reprotect(slot, previous);
    return patched;
}

}  // namespace vorn
