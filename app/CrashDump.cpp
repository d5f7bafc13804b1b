#include "app/CrashDump.h"

#include <dbghelp.h>

#include <atomic>
#include <string>

#include "common/KernelHandle.h"
#include "common/ModulePath.h"
#include "common/PathRules.h"

namespace vorn {

namespace {

// The debug helper is loaded at run time only, so its function is taken by name.
using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE process, DWORD processId, HANDLE file, MINIDUMP_TYPE dumpType,
                                          PMINIDUMP_EXCEPTION_INFORMATION exception,
                                          PMINIDUMP_USER_STREAM_INFORMATION userStream,
                                          PMINIDUMP_CALLBACK_INFORMATION callback);

// Richest first: data segments, handles, unloaded modules, private memory, full memory
// information and thread information; then without the last two; then a normal dump.
constexpr int kDumpTypes[] = {0x1A25, 0x225, 0};

std::atomic<bool> g_dumpWritten{false};

// The debug helper from the system folder only: the program runs elevated, and a file of
// that name beside it (or anywhere else on the search path) is not to be trusted.
HMODULE LoadSystemDbgHelp() {
    HMODULE module = LoadLibraryExW(L"DbgHelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system without that search flag: name the file by its full path instead.
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length + 13 >= MAX_PATH) return nullptr;
    return LoadLibraryExW((std::wstring(system, length) + L"\\DbgHelp.dll").c_str(), nullptr,
                          LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Rights for the dump, which holds the process's private memory (page contents, the
// player's session): the system and administrators only, nothing inherited from a folder
// everyone may read. Built on the stack: the heap may be what crashed.
struct DumpRights {
    SECURITY_DESCRIPTOR descriptor;
    alignas(DWORD) BYTE acl[256];
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE admins[SECURITY_MAX_SID_SIZE];

    bool Build() {
        DWORD systemSize = sizeof system, adminsSize = sizeof admins;
        auto* list = reinterpret_cast<ACL*>(acl);
        return CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize) &&
               CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize) &&
               InitializeAcl(list, sizeof acl, ACL_REVISION) &&
               AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, system) &&
               AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, admins) &&
               InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) &&
               SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }
};

}  // namespace

BOOL WriteCrashDump(HANDLE file, EXCEPTION_POINTERS* pointers) {
    HMODULE dbghelp = LoadSystemDbgHelp();
    if (dbghelp == nullptr) return FALSE;
    BOOL written = FALSE;
    auto write = reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    if (write != nullptr) {
        MINIDUMP_EXCEPTION_INFORMATION info{GetCurrentThreadId(), pointers, TRUE};
        for (int type : kDumpTypes) {
            if (write(GetCurrentProcess(), GetCurrentProcessId(), file, static_cast<MINIDUMP_TYPE>(type), &info,
                      nullptr, nullptr)) {
                written = TRUE;
                break;
            }
        }
    }
    FreeLibrary(dbghelp);
    return written;
}

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* pointers) {
    // A later crash (for example while the system handles the first) ends quietly.
    if (g_dumpWritten.load()) return EXCEPTION_EXECUTE_HANDLER;

    wchar_t exePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    auto dumpPath = DumpPathFor(ToU16(std::wstring(exePath, length < MAX_PATH ? length : 0)));
    if (!dumpPath || dumpPath->size() >= MAX_PATH) return EXCEPTION_CONTINUE_SEARCH;

    const std::wstring path = ToWide(*dumpPath);
    DumpRights rights;
    if (rights.Build()) {
        // A new file only, so that it takes these rights: an older dump (or a link someone
        // put at its name) goes first, and one that cannot go means no dump.
        DeleteFileW(path.c_str());
        SECURITY_ATTRIBUTES attributes{sizeof attributes, &rights.descriptor, FALSE};
        KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (file) WriteCrashDump(file.get(), pointers);
    }
    g_dumpWritten.store(true);
    return EXCEPTION_CONTINUE_SEARCH;  // the system's own error handling follows
}

}  // namespace vorn
