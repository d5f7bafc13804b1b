#include "app/LibrarySearch.h"

#include <delayimp.h>

#include <string>

namespace {

// Looked up at run time: an unpatched Windows 7 has neither function, and a static import
// of either would keep the program from starting there.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD flags);
using SetProcessMitigationPolicyFn = BOOL(WINAPI*)(int policy, void* buffer, SIZE_T length);

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr int kImageLoadPolicy = 10;           // ProcessImageLoadPolicy
// PROCESS_MITIGATION_IMAGE_LOAD_POLICY: NoRemoteImages (bit 0), PreferSystem32Images (bit 2).
constexpr DWORD kNoRemoteImages = 1u << 0;
constexpr DWORD kPreferSystem32Images = 1u << 2;

template <class Fn>
Fn KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC function = kernel != nullptr ? GetProcAddress(kernel, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(function));
}

bool g_searchLocked = false;

HMODULE LoadByFullSystemPath(const char* name) {
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::string path = std::string(system, length) + "\\" + name;
    if (path.size() >= MAX_PATH) return nullptr;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The delay-load helper of the C runtime loads a library with LoadLibraryA on the first
// call of one of its functions. It asks this hook first and takes a handle it answers;
// the hook loads the system's copy. Only if that fails does the helper load by name
// itself, which the locked search keeps to the system folder too.
FARPROC WINAPI DelayLoadNotify(unsigned note, PDelayLoadInfo info) {
    if (note != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr) return nullptr;
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(vorn::LoadSystemLibrary(info->szDll)));
}

}  // namespace

// The helper reads this variable (the runtime's own definition is an empty one, used only
// when no object of the program defines it). The header declares it extern.
PfnDliHook __pfnDliNotifyHook2 = &DelayLoadNotify;

namespace vorn {

void LockLibrarySearch() {
    if (auto setDefault = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
        g_searchLocked = setDefault(kSearchSystem32) != FALSE;
    }
    // Without that function, at least the current folder leaves the search.
    if (!g_searchLocked) SetDllDirectoryW(L"");
    if (auto setPolicy = KernelFunction<SetProcessMitigationPolicyFn>("SetProcessMitigationPolicy")) {
        DWORD flags = kNoRemoteImages | kPreferSystem32Images;
        // A system that does not know the system-first flag refuses the whole request;
        // refusing remote images alone is still worth having there.
        if (!setPolicy(kImageLoadPolicy, &flags, sizeof flags)) {
            flags = kNoRemoteImages;
            setPolicy(kImageLoadPolicy, &flags, sizeof flags);
        }
    }
}

HMODULE LoadSystemLibrary(const char* name) {
    if (name == nullptr || *name == '\0') return nullptr;
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') return nullptr;
    }
    HMODULE module = LoadLibraryExA(name, nullptr, kSearchSystem32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system without the search flag: the file by its full path.
    return LoadByFullSystemPath(name);
}

}  // namespace vorn
