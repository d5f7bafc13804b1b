// Installs the product's crash filter and then crashes, or calls the filter twice
// directly, so the tests can look at what it leaves behind.
#include <windows.h>

#include <string>

#include "app/CrashDump.h"

namespace {

volatile int* g_nowhere = nullptr;

int CallFilterTwice() {
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
    EXCEPTION_POINTERS pointers{&record, &context};

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dump(self);
    dump = dump.substr(0, dump.rfind(L'.')) + L".dmp";

    const LONG first = vorn::CrashDumpFilter(&pointers);
    if (GetFileAttributesW(dump.c_str()) == INVALID_FILE_ATTRIBUTES) return 90;  // no dump
    DeleteFileW(dump.c_str());
    const LONG second = vorn::CrashDumpFilter(&pointers);
    if (GetFileAttributesW(dump.c_str()) != INVALID_FILE_ATTRIBUTES) return 91;  // dumped again
    return static_cast<int>(first * 10 + second);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring how = argc > 1 ? argv[1] : L"crash";
    if (how == L"direct") return CallFilterTwice();
    SetUnhandledExceptionFilter(&vorn::CrashDumpFilter);
    *g_nowhere = 1;
    return 0;
}
