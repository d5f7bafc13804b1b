// The stack guard of the program's own (what -fstack-protector-strong checks). The
// compiler's support library would set its guard in a constructor through the legacy
// crypto provider, which loads the provider and its libraries into every process start
// (some 40 ms under Wine); here the entry point sets it from the system's random source
// instead, before any guarded function runs.
#include <windows.h>

#include <cstdint>

#include "app/StackGuard.h"

extern "C" {

// Read by every guarded function's prologue and epilogue. Not zero before it is set, so a
// guarded function cannot run with an empty guard.
void* __stack_chk_guard = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x2f6b4e3a91c7d05eULL));

// A smashed stack or a checked copy that would overrun its buffer: the process ends at
// once, with the status the system uses for that, and runs nothing else of its own.
[[noreturn]] void __stack_chk_fail() {
    TerminateProcess(GetCurrentProcess(), 0xC0000409);  // STATUS_STACK_BUFFER_OVERRUN
    __builtin_trap();
}
[[noreturn]] void __stack_chk_fail_local() { __stack_chk_fail(); }
[[noreturn]] void __chk_fail() { __stack_chk_fail(); }

}  // extern "C"

namespace {

using RtlGenRandomFn = BOOLEAN(WINAPI*)(void* buffer, ULONG length);

}  // namespace

namespace vorn {

__attribute__((no_stack_protector)) void SetStackGuard() {
    std::uintptr_t value = 0;
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");  // imported, so loaded already
    auto generate = reinterpret_cast<RtlGenRandomFn>(
        reinterpret_cast<void*>(advapi != nullptr ? GetProcAddress(advapi, "SystemFunction036") : nullptr));
    if (generate == nullptr || !generate(&value, sizeof value)) {
        // No random source: what differs between processes and moments.
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        value = static_cast<std::uintptr_t>(counter.QuadPart) ^ (static_cast<std::uintptr_t>(GetCurrentProcessId()) << 32) ^
                GetCurrentThreadId() ^ GetTickCount64() ^ reinterpret_cast<std::uintptr_t>(&value);
    }
    if (value == 0) value = 0x2f6b4e3a91c7d05eULL;
    __stack_chk_guard = reinterpret_cast<void*>(value);
}

}  // namespace vorn
