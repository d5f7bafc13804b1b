#include "intercept/Intercept.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "common/KernelHandle.h"
#include "intercept/Trampoline.h"

namespace vorn {

namespace {

using intercept::Trampoline;

// Trampolines live in 64 KB regions carved into fixed slots; a region is looked for within
// a RIP-relative displacement's reach of the target, so moved instructions keep their data.
constexpr std::size_t kRegionSize = 64 * 1024;
constexpr std::size_t kSlotSize = intercept::kTrampolineCapacity;
constexpr std::size_t kSlotsPerRegion = kRegionSize / kSlotSize;
constexpr std::uintptr_t kReach = 0x7FF00000;  // a little under 2 GB, the region included
constexpr std::size_t kMaxRead = 32;           // enough for 14 bytes plus one last instruction
constexpr int kMaxStubHops = 8;

struct Region {
    std::uint8_t* base;
    bool used[kSlotsPerRegion];
};

struct Hook {
    std::uint8_t* target = nullptr;
    std::uint8_t* trampoline = nullptr;
    void* replacement = nullptr;
    Trampoline plan;
    std::uint8_t original[kMaxRead] = {};
};

enum class OpKind { Attach, Detach };
struct PendingOp {
    OpKind kind;
    void** entry;
    Hook* hook;
};

// A page made writable by a commit, with the protection it had before the commit touched it.
struct PageProtection {
    std::uint8_t* page;
    DWORD original;
};

struct Transaction {
    DWORD owner = 0;
    std::vector<PendingOp> ops;
    std::vector<HANDLE> suspended;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::vector<Region>* g_regions = nullptr;  // never freed: trampolines outlive their hooks
std::vector<Hook*>* g_hooks = nullptr;     // committed attaches
std::optional<Transaction> g_transaction;

class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

std::vector<Region>& Regions() {
    if (!g_regions) g_regions = new std::vector<Region>();
    return *g_regions;
}
std::vector<Hook*>& Hooks() {
    if (!g_hooks) g_hooks = new std::vector<Hook*>();
    return *g_hooks;
}

std::uintptr_t AlignDown(std::uintptr_t v, std::uintptr_t a) { return v / a * a; }
std::uintptr_t AlignUp(std::uintptr_t v, std::uintptr_t a) { return (v + a - 1) / a * a; }

std::uint8_t* AllocateAt(std::uintptr_t address) {
    return static_cast<std::uint8_t*>(VirtualAlloc(reinterpret_cast<void*>(address), kRegionSize,
                                                   MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READ));
}

std::uint8_t* AllocateRegionNear(std::uintptr_t target) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::uintptr_t granularity = info.dwAllocationGranularity;
    const std::uintptr_t lowest = reinterpret_cast<std::uintptr_t>(info.lpMinimumApplicationAddress);
    const std::uintptr_t highest = reinterpret_cast<std::uintptr_t>(info.lpMaximumApplicationAddress);
    const std::uintptr_t low = target > lowest + kReach ? target - kReach : lowest;
    const std::uintptr_t high = target < highest - kReach ? target + kReach : highest;
    MEMORY_BASIC_INFORMATION mbi;

    // Below the target first: system libraries sit high, their neighbours below are free.
    for (std::uintptr_t a = AlignDown(target, granularity); a >= low && a >= granularity;) {
        if (!VirtualQuery(reinterpret_cast<void*>(a), &mbi, sizeof mbi)) break;
        const auto start = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress);
        if (mbi.State == MEM_FREE) {
            const std::uintptr_t end = start + mbi.RegionSize;
            const std::uintptr_t candidate = end >= kRegionSize ? AlignDown(end - kRegionSize, granularity) : 0;
            const std::uintptr_t pick = candidate < a ? candidate : a;
            if (pick >= start && pick >= low && pick != 0)
                if (std::uint8_t* p = AllocateAt(pick)) return p;
        }
        const std::uintptr_t below =
            AlignDown(mbi.State == MEM_FREE ? start : reinterpret_cast<std::uintptr_t>(mbi.AllocationBase), granularity);
        if (below < granularity || below - granularity >= a) break;
        a = below - granularity;
    }
    for (std::uintptr_t a = AlignUp(target, granularity); a + kRegionSize <= high;) {
        if (!VirtualQuery(reinterpret_cast<void*>(a), &mbi, sizeof mbi)) break;
        const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
        if (mbi.State == MEM_FREE && a + kRegionSize <= end)
            if (std::uint8_t* p = AllocateAt(a)) return p;
        const std::uintptr_t next = AlignUp(end, granularity);
        if (next <= a) break;
        a = next;
    }
    return nullptr;
}

bool WithinReach(const std::uint8_t* base, std::uintptr_t target) {
    const auto b = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t distance = b > target ? b + kRegionSize - target : target - b;
    return distance < kReach;
}

std::uint8_t* AllocateSlot(std::uintptr_t target) {
    auto take = [](Region& r) -> std::uint8_t* {
        for (std::size_t i = 0; i < kSlotsPerRegion; ++i) {
            if (!r.used[i]) {
                r.used[i] = true;
                return r.base + i * kSlotSize;
            }
        }
        return nullptr;
    };
    for (Region& r : Regions())
        if (WithinReach(r.base, target))
            if (std::uint8_t* slot = take(r)) return slot;
    std::uint8_t* base = AllocateRegionNear(target);
    // Out of reach still serves targets whose first instructions need no relocation.
    if (!base) base = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, kRegionSize, MEM_RESERVE | MEM_COMMIT,
                                                              PAGE_EXECUTE_READ));
    if (!base) return nullptr;
    Region region{base, {}};
    Regions().push_back(region);
    return take(Regions().back());
}

void FreeSlot(std::uint8_t* slot) {
    for (Region& r : Regions()) {
        if (slot >= r.base && slot < r.base + kRegionSize) {
            r.used[(slot - r.base) / kSlotSize] = false;
            return;
        }
    }
}

// Writes code into executable memory, leaving it execute-read again.
bool WriteCode(std::uint8_t* at, const void* bytes, std::size_t size) {
    DWORD old = 0;
    if (!VirtualProtect(at, size, PAGE_EXECUTE_READWRITE, &old)) return false;
    std::memcpy(at, bytes, size);
    VirtualProtect(at, size, old, &old);
    FlushInstructionCache(GetCurrentProcess(), at, size);
    return true;
}

// Bytes that can be read at `address`, up to `wanted`, without touching memory that is
// not there: the entry variable may hold anything.
std::size_t ReadableBytes(const void* address, std::size_t wanted) {
    MEMORY_BASIC_INFORMATION mbi;
    if (!address || !VirtualQuery(address, &mbi, sizeof mbi) || mbi.State != MEM_COMMIT) return 0;
    const DWORD readable = PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY | PAGE_READONLY |
                           PAGE_READWRITE | PAGE_WRITECOPY;
    if (!(mbi.Protect & readable) || (mbi.Protect & PAGE_GUARD)) return 0;
    const auto end = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    const std::size_t left = end - reinterpret_cast<std::uintptr_t>(address);
    return left < wanted ? left : wanted;
}

std::uintptr_t PageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// Makes every page under [at, at + size) writable, recording each page not met before.
bool MakePagesWritable(std::uint8_t* at, std::size_t size, std::vector<PageProtection>& pages) {
    const std::uintptr_t pageSize = PageSize();
    const auto first = AlignDown(reinterpret_cast<std::uintptr_t>(at), pageSize);
    const auto end = reinterpret_cast<std::uintptr_t>(at) + size;
    for (std::uintptr_t p = first; p < end; p += pageSize) {
        auto* page = reinterpret_cast<std::uint8_t*>(p);
        bool known = false;
        for (const PageProtection& seen : pages) known = known || seen.page == page;
        if (known) continue;
        DWORD original = 0;
        if (!VirtualProtect(page, pageSize, PAGE_EXECUTE_READWRITE, &original)) return false;
        pages.push_back({page, original});
    }
    return true;
}

void RestorePages(const std::vector<PageProtection>& pages) {
    const std::uintptr_t pageSize = PageSize();
    for (const PageProtection& p : pages) {
        DWORD ignored;
        VirtualProtect(p.page, pageSize, p.original, &ignored);
    }
}

bool IsHookedTarget(const std::uint8_t* code) {
    for (const Hook* h : Hooks())
        if (h->target == code) return true;
    return false;
}

// Follows import jump stubs ("jmp [rip+x]") to the function they lead to. Our own jump
// has the same form, so a target we have rewritten is where the walk stops.
std::uint8_t* ResolveTarget(void* entry) {
    auto* code = static_cast<std::uint8_t*>(entry);
    for (int hop = 0; hop < kMaxStubHops; ++hop) {
        if (IsHookedTarget(code)) return code;
        std::uint8_t head[7];
        const std::size_t n = ReadableBytes(code, sizeof head);
        if (n == 0) return nullptr;
        std::memcpy(head, code, n);
        const auto pointer = intercept::JumpStubPointer(head, n, reinterpret_cast<std::uintptr_t>(code));
        if (!pointer) return code;
        void* const* slot = reinterpret_cast<void* const*>(*pointer);
        if (ReadableBytes(slot, sizeof(void*)) < sizeof(void*)) return nullptr;
        code = static_cast<std::uint8_t*>(*slot);
    }
    return nullptr;
}

bool IsTargetTaken(const std::uint8_t* target) {
    if (IsHookedTarget(target)) return true;
    if (g_transaction)
        for (const PendingOp& op : g_transaction->ops)
            if (op.hook->target == target) return true;
    return false;
}

bool OwnsTransaction() { return g_transaction && g_transaction->owner == GetCurrentThreadId(); }

void EndTransaction() {
    for (HANDLE thread : g_transaction->suspended) ResumeThread(thread);
    g_transaction.reset();
}

void DropPendingAttaches() {
    for (PendingOp& op : g_transaction->ops) {
        if (op.kind == OpKind::Attach) {
            FreeSlot(op.hook->trampoline);
            delete op.hook;
        }
    }
}

void MoveThread(HANDLE thread, const std::vector<PendingOp>& ops) {
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    if (!GetThreadContext(thread, &context)) return;
    const std::uintptr_t ip = context.Rip;
    for (const PendingOp& op : ops) {
        const Hook& h = *op.hook;
        const auto target = reinterpret_cast<std::uintptr_t>(h.target);
        const auto trampoline = reinterpret_cast<std::uintptr_t>(h.trampoline);
        std::optional<std::size_t> moved;
        if (op.kind == OpKind::Attach && ip >= target && ip < target + h.plan.covered) {
            if (auto at = h.plan.ToTrampoline(ip - target)) moved = trampoline + *at;
        } else if (op.kind == OpKind::Detach && ip >= trampoline && ip < trampoline + h.plan.code.size()) {
            if (auto at = h.plan.ToOriginal(ip - trampoline)) moved = target + *at;
        }
        if (moved) {
            context.Rip = *moved;
            SetThreadContext(thread, &context);
            return;
        }
    }
}

}  // namespace

BOOL InterceptRestoreImports() {
    HMODULE module = GetModuleHandleW(nullptr);
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (!module || length == 0 || length >= MAX_PATH) return FALSE;
    vorn::KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return FALSE;
    std::uint8_t headers[4096];
    DWORD got = 0;
    const BOOL read = ReadFile(file.get(), headers, sizeof headers, &got, nullptr);
    file.Close();
    if (!read || got < sizeof(IMAGE_DOS_HEADER)) return FALSE;

    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, headers, sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
        static_cast<DWORD>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64) > got)
        return FALSE;
    IMAGE_NT_HEADERS64 onDisk;
    std::memcpy(&onDisk, headers + dos.e_lfanew, sizeof onDisk);
    auto* base = reinterpret_cast<std::uint8_t*>(module);
    auto* loaded = reinterpret_cast<IMAGE_NT_HEADERS64*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    if (onDisk.Signature != IMAGE_NT_SIGNATURE || loaded->Signature != IMAGE_NT_SIGNATURE ||
        onDisk.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return FALSE;

    // The import and bound-import entries are what such a launcher redirects to its own
    // table; the table it built stays in memory, unused.
    BOOL restored = FALSE;
    for (int index : {IMAGE_DIRECTORY_ENTRY_IMPORT, IMAGE_DIRECTORY_ENTRY_BOUND_IMPORT}) {
        IMAGE_DATA_DIRECTORY& live = loaded->OptionalHeader.DataDirectory[index];
        const IMAGE_DATA_DIRECTORY& original = onDisk.OptionalHeader.DataDirectory[index];
        if (live.VirtualAddress == original.VirtualAddress && live.Size == original.Size) continue;
        DWORD old = 0;
        if (!VirtualProtect(&live, sizeof live, PAGE_READWRITE, &old)) continue;
        live = original;
        VirtualProtect(&live, sizeof live, old, &old);
        restored = TRUE;
    }
    return restored;
}

LONG InterceptBegin() {
    Locked lock;
    if (g_transaction) return ERROR_INVALID_OPERATION;
    g_transaction.emplace();
    g_transaction->owner = GetCurrentThreadId();
    return NO_ERROR;
}

LONG InterceptEnlistThread(HANDLE thread) {
    Locked lock;
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    // The calling thread runs the commit itself, so it cannot be inside a target.
    if (!thread || GetThreadId(thread) == GetCurrentThreadId()) return thread ? NO_ERROR : ERROR_INVALID_PARAMETER;
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) return static_cast<LONG>(GetLastError());
    g_transaction->suspended.push_back(thread);
    return NO_ERROR;
}

LONG InterceptAttach(void** entry, void* replacement) {
    Locked lock;
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    if (!entry || !replacement || ReadableBytes(entry, sizeof(void*)) < sizeof(void*) || !*entry)
        return ERROR_INVALID_PARAMETER;
    std::uint8_t* target = ResolveTarget(*entry);
    if (!target) return ERROR_INVALID_PARAMETER;
    if (IsTargetTaken(target)) return ERROR_ALREADY_EXISTS;

    auto hook = std::make_unique<Hook>();
    const std::size_t available = ReadableBytes(target, kMaxRead);
    std::memcpy(hook->original, target, available);
    hook->trampoline = AllocateSlot(reinterpret_cast<std::uintptr_t>(target));
    if (!hook->trampoline) return ERROR_NOT_ENOUGH_MEMORY;
    hook->plan = intercept::BuildTrampoline(hook->original, available, reinterpret_cast<std::uintptr_t>(target),
                                            reinterpret_cast<std::uintptr_t>(hook->trampoline));
    // Nothing points at the slot yet, so writing it now changes nothing visible.
    if (!hook->plan.ok() || !WriteCode(hook->trampoline, hook->plan.code.data(), hook->plan.code.size())) {
        FreeSlot(hook->trampoline);
        return hook->plan.ok() ? static_cast<LONG>(GetLastError()) : ERROR_INVALID_BLOCK;
    }
    hook->target = target;
    hook->replacement = replacement;
    g_transaction->ops.push_back({OpKind::Attach, entry, hook.release()});
    return NO_ERROR;
}

LONG InterceptDetach(void** entry, void* replacement) {
    Locked lock;
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    if (!entry || !replacement || ReadableBytes(entry, sizeof(void*)) < sizeof(void*)) return ERROR_INVALID_PARAMETER;
    for (Hook* h : Hooks()) {
        if (h->trampoline != *entry || h->replacement != replacement) continue;
        for (const PendingOp& op : g_transaction->ops)
            if (op.hook == h) return ERROR_ALREADY_EXISTS;
        // Someone else has written over our jump since: putting our bytes back would undo theirs.
        std::uint8_t jump[intercept::kAbsoluteJumpSize];
        intercept::EncodeAbsoluteJump(jump, reinterpret_cast<std::uintptr_t>(replacement));
        if (std::memcmp(h->target, jump, sizeof jump) != 0) return ERROR_INVALID_BLOCK;
        g_transaction->ops.push_back({OpKind::Detach, entry, h});
        return NO_ERROR;
    }
    return ERROR_INVALID_PARAMETER;
}

LONG InterceptCommit() {
    Locked lock;
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    std::vector<PendingOp>& ops = g_transaction->ops;

    // Every target writable first; if one cannot be, none is touched. Protection is taken
    // per page and only the first time a page is met: targets sharing a page (or one target
    // crossing into the next page) would otherwise record the already writable state.
    std::vector<PageProtection> pages;
    for (const PendingOp& op : ops) {
        if (!MakePagesWritable(op.hook->target, op.hook->plan.covered, pages)) {
            const LONG error = static_cast<LONG>(GetLastError());
            RestorePages(pages);
            DropPendingAttaches();
            EndTransaction();
            return error ? error : ERROR_ACCESS_DENIED;
        }
    }
    // The entry holds the trampoline before the jump exists, so a replacement called the
    // moment the jump is written never calls itself through the old entry.
    for (PendingOp& op : ops)
        if (op.kind == OpKind::Attach) InterlockedExchangePointer(op.entry, op.hook->trampoline);
    for (PendingOp& op : ops) {
        Hook& h = *op.hook;
        if (op.kind == OpKind::Attach) {
            std::uint8_t patch[kMaxRead];
            std::memset(patch, 0xCC, sizeof patch);  // the tail of a displaced instruction traps
            intercept::EncodeAbsoluteJump(patch, reinterpret_cast<std::uintptr_t>(h.replacement));
            std::memcpy(h.target, patch, h.plan.covered);
        } else {
            std::memcpy(h.target, h.original, h.plan.covered);
        }
    }
    for (HANDLE thread : g_transaction->suspended) MoveThread(thread, ops);
    RestorePages(pages);
    for (const PendingOp& op : ops) FlushInstructionCache(GetCurrentProcess(), op.hook->target, op.hook->plan.covered);
    for (PendingOp& op : ops) {
        if (op.kind == OpKind::Attach) {
            Hooks().push_back(op.hook);
        } else {
            InterlockedExchangePointer(op.entry, op.hook->target);
            std::erase(Hooks(), op.hook);
            delete op.hook;  // its trampoline slot stays: another thread may still be in it
        }
    }
    EndTransaction();
    return NO_ERROR;
}

LONG InterceptAbort() {
    Locked lock;
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    DropPendingAttaches();
    EndTransaction();
    return NO_ERROR;
}

}  // namespace vorn
