#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "intercept/Intercept.h"

using namespace vorn;

namespace {

using Fn = std::uint64_t (*)();

// A page of our own code to divert: the engine treats it like any system function.
class CodePage {
public:
    explicit CodePage(const std::vector<std::uint8_t>& code) {
        base_ = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 0x1000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        std::memset(base_, 0xCC, 0x1000);
        std::memcpy(base_, code.data(), code.size());
        DWORD old;
        VirtualProtect(base_, 0x1000, PAGE_EXECUTE_READ, &old);
        FlushInstructionCache(GetCurrentProcess(), base_, 0x1000);
    }
    ~CodePage() { VirtualFree(base_, 0, MEM_RELEASE); }
    std::uint8_t* at(std::size_t offset = 0) const { return base_ + offset; }
    Fn fn(std::size_t offset = 0) const { return reinterpret_cast<Fn>(base_ + offset); }
    std::vector<std::uint8_t> bytes(std::size_t n = 32) const { return {base_, base_ + n}; }
    DWORD protection() const {
        MEMORY_BASIC_INFORMATION mbi{};
        VirtualQuery(base_, &mbi, sizeof mbi);
        return mbi.Protect;
    }

private:
    std::uint8_t* base_;
};

// rax = &data; rax += 5; rax += 7; ret. The lea is RIP-relative and the 14-byte jump
// ends inside the second add, so both relocation and whole-instruction cover are needed.
const std::vector<std::uint8_t> kAdder = {
    0x48, 0x8D, 0x05, 0xF9, 0x07, 0x00, 0x00,  // 0: lea rax,[rip+0x7f9] -> base+0x800
    0x48, 0x83, 0xC0, 0x05,                    // 7: add rax,5
    0x48, 0x83, 0xC0, 0x07,                    // 11: add rax,7
    0xC3,                                      // 15: ret
};

Fn g_entry = nullptr;
std::uint64_t Replacement() { return g_entry() + 1000; }
void** Entry() { return reinterpret_cast<void**>(&g_entry); }
void* Detour() { return reinterpret_cast<void*>(Replacement); }

LONG AttachAlone(void* target, void* replacement = Detour()) {
    g_entry = reinterpret_cast<Fn>(target);
    InterceptBegin();
    InterceptEnlistThread(GetCurrentThread());
    const LONG attached = InterceptAttach(Entry(), replacement);
    const LONG committed = InterceptCommit();
    return attached != NO_ERROR ? attached : committed;
}

LONG DetachAlone(void* replacement = Detour()) {
    InterceptBegin();
    const LONG detached = InterceptDetach(Entry(), replacement);
    const LONG committed = InterceptCommit();
    return detached != NO_ERROR ? detached : committed;
}

}  // namespace

TEST(InterceptEngine, AttachDivertsCallsAndDetachPutsEverythingBack) {
    CodePage page(kAdder);
    const std::uint64_t data = reinterpret_cast<std::uintptr_t>(page.at(0x800));
    const auto before = page.bytes();
    ASSERT_EQ(page.fn()(), data + 12);

    g_entry = page.fn();
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    ASSERT_EQ(InterceptEnlistThread(GetCurrentThread()), NO_ERROR);
    ASSERT_EQ(InterceptAttach(Entry(), Detour()), NO_ERROR);
    // Nothing takes effect before commit.
    EXPECT_EQ(page.bytes(), before);
    EXPECT_EQ(g_entry, page.fn());
    ASSERT_EQ(InterceptCommit(), NO_ERROR);

    EXPECT_EQ(page.fn()(), data + 12 + 1000);  // the function itself now leads to the replacement
    EXPECT_NE(g_entry, page.fn());
    EXPECT_EQ(g_entry(), data + 12);  // the trampoline performs the real function
    EXPECT_EQ(page.protection(), static_cast<DWORD>(PAGE_EXECUTE_READ));  // not left writable
    EXPECT_EQ(page.at()[0], 0xFF);
    EXPECT_EQ(page.at()[1], 0x25);
    // The tail of the last displaced instruction is filled with traps.
    EXPECT_EQ(page.at()[14], 0xCC);

    ASSERT_EQ(DetachAlone(), NO_ERROR);
    EXPECT_EQ(page.bytes(), before);
    EXPECT_EQ(g_entry, page.fn());
    EXPECT_EQ(page.fn()(), data + 12);
    EXPECT_EQ(page.protection(), static_cast<DWORD>(PAGE_EXECUTE_READ));
}

TEST(InterceptEngine, ImportJumpStubIsFollowedToTheFunction) {
    CodePage page(kAdder);
    // A stub at +0x400 jumping through a pointer at +0x500, as an import stub does.
    std::vector<std::uint8_t> stub = {0xFF, 0x25, 0xFA, 0x00, 0x00, 0x00};
    DWORD old;
    VirtualProtect(page.at(), 0x1000, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(page.at(0x400), stub.data(), stub.size());
    void* target = page.at();
    std::memcpy(page.at(0x500), &target, sizeof target);
    VirtualProtect(page.at(), 0x1000, PAGE_EXECUTE_READ, &old);
    const auto stubBefore = std::vector<std::uint8_t>(page.at(0x400), page.at(0x420));

    ASSERT_EQ(AttachAlone(page.at(0x400)), NO_ERROR);
    EXPECT_EQ(std::vector<std::uint8_t>(page.at(0x400), page.at(0x420)), stubBefore);
    EXPECT_EQ(page.at()[0], 0xFF);  // the function's own entry is rewritten
    EXPECT_EQ(page.fn(0x400)(), page.fn()());  // calls through the stub are diverted too
    ASSERT_EQ(DetachAlone(), NO_ERROR);
    // After detach the entry holds the real function, not the stub.
    EXPECT_EQ(reinterpret_cast<void*>(g_entry), target);
}

namespace {
Fn g_second = nullptr;
std::uint64_t SecondReplacement() { return g_second() + 2000; }
}  // namespace

// Two functions on one page, patched and restored in one transaction each: the page must
// come back execute-read both times, not stay writable from the first target's change.
TEST(InterceptEngine, TargetsSharingAPageLeaveItExecuteRead) {
    CodePage page(kAdder);
    DWORD old;
    VirtualProtect(page.at(), 0x1000, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(page.at(0x40), kAdder.data(), kAdder.size());
    VirtualProtect(page.at(), 0x1000, PAGE_EXECUTE_READ, &old);
    FlushInstructionCache(GetCurrentProcess(), page.at(), 0x1000);
    const std::uint64_t first = reinterpret_cast<std::uintptr_t>(page.at(0x800)) + 12;
    const std::uint64_t second = reinterpret_cast<std::uintptr_t>(page.at(0x840)) + 12;
    const auto before = page.bytes(0x60);
    ASSERT_EQ(page.fn(0x40)(), second);

    g_entry = page.fn();
    g_second = page.fn(0x40);
    void* secondDetour = reinterpret_cast<void*>(SecondReplacement);
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    ASSERT_EQ(InterceptAttach(Entry(), Detour()), NO_ERROR);
    ASSERT_EQ(InterceptAttach(reinterpret_cast<void**>(&g_second), secondDetour), NO_ERROR);
    ASSERT_EQ(InterceptCommit(), NO_ERROR);
    EXPECT_EQ(page.protection(), static_cast<DWORD>(PAGE_EXECUTE_READ));
    EXPECT_EQ(page.fn()(), first + 1000);
    EXPECT_EQ(page.fn(0x40)(), second + 2000);

    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    ASSERT_EQ(InterceptDetach(reinterpret_cast<void**>(&g_second), secondDetour), NO_ERROR);
    ASSERT_EQ(InterceptDetach(Entry(), Detour()), NO_ERROR);
    ASSERT_EQ(InterceptCommit(), NO_ERROR);
    EXPECT_EQ(page.protection(), static_cast<DWORD>(PAGE_EXECUTE_READ));
    EXPECT_EQ(page.bytes(0x60), before);
    EXPECT_EQ(page.fn(0x40)(), second);
}

// Why a target is refused is the native tests' business; here: nothing is written.
TEST(InterceptEngine, RefusedTargetIsLeftUntouched) {
    CodePage page({0x33, 0xC0, 0xC3});  // xor eax,eax; ret: shorter than the jump
    const auto before = page.bytes();
    g_entry = page.fn();
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    EXPECT_EQ(InterceptAttach(Entry(), Detour()), ERROR_INVALID_BLOCK);
    EXPECT_EQ(InterceptCommit(), NO_ERROR);
    EXPECT_EQ(page.bytes(), before);
    EXPECT_EQ(g_entry, page.fn());
}

TEST(InterceptEngine, AFailedCommitWritesNothingAndAbortWritesNothing) {
    CodePage first(kAdder), second(kAdder);
    const auto firstBefore = first.bytes();
    Fn entries[2] = {first.fn(), second.fn()};
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    ASSERT_EQ(InterceptAttach(reinterpret_cast<void**>(&entries[0]), Detour()), NO_ERROR);
    ASSERT_EQ(InterceptAttach(reinterpret_cast<void**>(&entries[1]), Detour()), NO_ERROR);
    // The second target's page goes away before commit: it cannot be made writable.
    ASSERT_TRUE(VirtualFree(second.at(), 0x1000, MEM_DECOMMIT));
    EXPECT_NE(InterceptCommit(), NO_ERROR);
    EXPECT_EQ(first.bytes(), firstBefore);
    EXPECT_EQ(entries[0], first.fn());
    EXPECT_EQ(first.protection(), static_cast<DWORD>(PAGE_EXECUTE_READ));

    g_entry = first.fn();
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    ASSERT_EQ(InterceptAttach(Entry(), Detour()), NO_ERROR);
    ASSERT_EQ(InterceptAbort(), NO_ERROR);
    EXPECT_EQ(first.bytes(), firstBefore);
    EXPECT_EQ(g_entry, first.fn());
    // The aborted attach left nothing behind: the same target can be attached afterwards.
    ASSERT_EQ(AttachAlone(first.at()), NO_ERROR);
    ASSERT_EQ(DetachAlone(), NO_ERROR);
}

TEST(InterceptEngine, TransactionRulesAndBadArguments) {
    CodePage page(kAdder);
    g_entry = page.fn();
    EXPECT_EQ(InterceptAttach(Entry(), Detour()), ERROR_INVALID_OPERATION);  // no transaction
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    EXPECT_EQ(InterceptBegin(), ERROR_INVALID_OPERATION);
    // Another thread may not add to this thread's transaction.
    HANDLE other = CreateThread(
        nullptr, 0, [](void*) -> DWORD { return static_cast<DWORD>(InterceptAttach(Entry(), Detour())); }, nullptr,
        0, nullptr);
    WaitForSingleObject(other, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(other, &code);
    CloseHandle(other);
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_INVALID_OPERATION));
    Fn unmapped = reinterpret_cast<Fn>(0x10);
    EXPECT_EQ(InterceptAttach(reinterpret_cast<void**>(&unmapped), Detour()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(InterceptAttach(reinterpret_cast<void**>(0x10), Detour()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(InterceptDetach(Entry(), Detour()), ERROR_INVALID_PARAMETER);  // not attached
    ASSERT_EQ(InterceptAttach(Entry(), Detour()), NO_ERROR);
    ASSERT_EQ(InterceptCommit(), NO_ERROR);
    // Our own jump looks like an import stub; it must not be followed to the replacement.
    Fn again = page.fn();
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    EXPECT_EQ(InterceptAttach(reinterpret_cast<void**>(&again), Detour()), ERROR_ALREADY_EXISTS);
    ASSERT_EQ(InterceptDetach(Entry(), Detour()), NO_ERROR);
    ASSERT_EQ(InterceptCommit(), NO_ERROR);
    EXPECT_EQ(g_entry, page.fn());
}

namespace {
DWORD WINAPI Idle(void*) {
    for (;;) Sleep(10);
}
}  // namespace

// A thread stopped inside the bytes that the jump replaces must go on in the trampoline:
// left where it was, it would run the middle of the jump's address as code.
TEST(InterceptEngine, EnlistedThreadInsideThePatchIsMoved) {
    // The thread is put at offset 4, on the lea, which sets rax afresh: a thread stopped in
    // a system call gets the call's status in rax when it resumes.
    CodePage page({
        0x48, 0x83, 0xC0, 0x05,                    // 0: add rax,5
        0x48, 0x8D, 0x05, 0xF5, 0x07, 0x00, 0x00,  // 4: lea rax,[rip+0x7f5] -> base+0x800
        0x48, 0x83, 0xC0, 0x07,                    // 11: add rax,7
        0xC3,                                      // 15: ret
    });
    const std::uint64_t data = reinterpret_cast<std::uintptr_t>(page.at(0x800));
    // Where the thread returns to: exit with the low half of rax as its exit code.
    CodePage finish({0x48, 0x89, 0xC1,                          // mov rcx,rax
                     0x48, 0x83, 0xEC, 0x28,                    // sub rsp,0x28
                     0xFF, 0x15, 0x02, 0x00, 0x00, 0x00,        // call [rip+2]
                     0xEB, 0x08, 0, 0, 0, 0, 0, 0, 0, 0});      // the address of ExitThread
    void* exitThread = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ExitThread"));
    DWORD old;
    VirtualProtect(finish.at(), 0x1000, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(finish.at(15), &exitThread, sizeof exitThread);
    VirtualProtect(finish.at(), 0x1000, PAGE_EXECUTE_READ, &old);

    HANDLE thread = CreateThread(nullptr, 0, Idle, nullptr, 0, nullptr);
    Sleep(50);
    ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));
    alignas(16) static std::uint64_t stack[8192];
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    ASSERT_TRUE(GetThreadContext(thread, &context));
    std::uint64_t* top = &stack[8000];
    *top = reinterpret_cast<std::uintptr_t>(finish.at());
    context.Rsp = reinterpret_cast<std::uintptr_t>(top);
    context.Rip = reinterpret_cast<std::uintptr_t>(page.at(4));
    ASSERT_TRUE(SetThreadContext(thread, &context));

    g_entry = page.fn();
    ASSERT_EQ(InterceptBegin(), NO_ERROR);
    ASSERT_EQ(InterceptEnlistThread(thread), NO_ERROR);
    ASSERT_EQ(InterceptAttach(Entry(), Detour()), NO_ERROR);
    ASSERT_EQ(InterceptCommit(), NO_ERROR);  // resumes the thread once ...
    CONTEXT moved{};
    moved.ContextFlags = CONTEXT_CONTROL;
    // ... but our own suspension still holds it.
    ASSERT_TRUE(GetThreadContext(thread, &moved));
    EXPECT_EQ(moved.Rip, reinterpret_cast<std::uintptr_t>(g_entry) + 4);
    EXPECT_EQ(page.at()[0], 0xFF);  // the old place is the jump now

    ResumeThread(thread);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    EXPECT_EQ(exitCode, static_cast<DWORD>(data + 7));
    ASSERT_EQ(DetachAlone(), NO_ERROR);
}

TEST(InterceptEngine, RestoreUndoesARedirectedImportDirectory) {
    EXPECT_FALSE(InterceptRestoreImports());  // nothing to undo in a plain process
    auto* base = reinterpret_cast<std::uint8_t*>(GetModuleHandleW(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS64*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const IMAGE_DATA_DIRECTORY original = imports;
    // What an injecting launcher leaves: the directory pointing at a table of its own.
    DWORD old;
    ASSERT_TRUE(VirtualProtect(&imports, sizeof imports, PAGE_READWRITE, &old));
    imports.VirtualAddress += 0x40;
    imports.Size += 20;
    VirtualProtect(&imports, sizeof imports, old, &old);

    EXPECT_TRUE(InterceptRestoreImports());
    EXPECT_EQ(imports.VirtualAddress, original.VirtualAddress);
    EXPECT_EQ(imports.Size, original.Size);
    EXPECT_FALSE(InterceptRestoreImports());
}
