#include "common/StartGate.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "common/FileReplace.h"
#include "common/FolderRights.h"
#include "common/KernelHandle.h"

namespace vorn {

namespace {

constexpr wchar_t kGateName[] = L"VornZelqa7LauncherStart";
// Held only for a read and a write; the caller may be a window's thread, which must not
// stall behind a holder that never lets go.
constexpr DWORD kGateLockWaitMs = 200;
// The system and administrators only: what a standard user can open, they could reset.
constexpr wchar_t kGateRights[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// The section holding the last start's time. Held for the life of the process: the value
// must outlive the call, and a section lives only while someone holds it.
HANDLE GateSection() {
    static KernelHandle section;
    if (section) return section.get();
    PSECURITY_DESCRIPTOR rights = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kGateRights, SDDL_REVISION_1, &rights, nullptr)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, rights, FALSE};
    // Machine-wide when the system allows the global name; otherwise this session's.
    for (const wchar_t* scope : {L"Global\\", L"Local\\"}) {
        const std::wstring name = std::wstring(scope) + kGateName;
        HANDLE made = CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, sizeof(ULONGLONG),
                                         name.c_str());
        const DWORD error = GetLastError();
        if (made == nullptr) {
            if (error == ERROR_ACCESS_DENIED) break;  // the name is someone else's: no gate
            continue;
        }
        KernelHandle candidate(made);
        // One that existed already must be the program's own, not one another user made
        // first with rights of their own.
        if (error == ERROR_ALREADY_EXISTS && !IsTrustedOwner(KernelObjectOwnerSid(candidate.get()), ElevatedOwnerSid())) {
            break;
        }
        section = std::move(candidate);
        break;
    }
    LocalFree(rights);
    return section.get();
}

}  // namespace

bool PassLauncherStartGate() {
    MachineLock lock(kGateName, kGateLockWaitMs);
    if (!lock.held()) return false;
    HANDLE section = GateSection();
    if (section == nullptr) return false;
    auto* last = static_cast<volatile ULONGLONG*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(ULONGLONG)));
    if (last == nullptr) return false;
    const ULONGLONG now = GetTickCount64();
    const bool allowed = StartGateAllows(now, *last, kLauncherStartPeriodMs);
    if (allowed) *last = now;
    UnmapViewOfFile(const_cast<ULONGLONG*>(last));
    return allowed;
}

}  // namespace vorn
