#pragma once
// One entry of a COM interface table, overwritten once per process. Tables are shared by
// every object of a class, so the first object created decides; two threads creating
// their first object at the same moment must not both patch, or the second would save the
// replacement itself as the entry to call through.
#include <atomic>
#include <cstdint>

namespace vorn {

struct TableSlotPatch {
    std::atomic<void**> slot{nullptr};  // the entry overwritten; null until patched
    std::atomic<void*> saved{nullptr};  // what it held before

    void* Saved() const { return saved.load(std::memory_order_acquire); }
};

// Makes `slot` writable, returning its previous protection; false when it cannot.
using SlotUnprotect = bool (*)(void** slot, std::uint32_t* previous);
using SlotReprotect = void (*)(void** slot, std::uint32_t previous);

// Patches `slot` with `replacement` unless some slot was patched (or is being patched)
// already. The saved entry is published before the replacement, so a replacement that
// runs at once finds it. When the slot cannot be made writable nothing is written and the
// patch stays open for a later object. Returns true when this call patched.
bool PatchSlotOnce(TableSlotPatch& patch, void** slot, void* replacement, SlotUnprotect unprotect,
                   SlotReprotect reprotect);

}  // namespace vorn
