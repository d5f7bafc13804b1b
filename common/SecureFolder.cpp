// The glue of the folder rule in FolderRights.h: reads a folder's owner and rights off a
// handle that does not follow redirections, and replaces them when the rule says so. Under
// Wine rights are made from the Unix mode and are not kept, so this file is read closely
// rather than proven by a test that could pass there for the wrong reason.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "common/FileReplace.h"
#include "common/FolderRights.h"
#include "common/KernelHandle.h"

namespace vorn {

namespace {

// Files directly inside a folder that was taken over: system and administrators full
// control, everyone read and run; nothing inherited.
constexpr wchar_t kProtectedFileRights[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;WD)";

// A security descriptor made from text, freed with the holder.
class Descriptor {
public:
    explicit Descriptor(const wchar_t* sddl) {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &m_sd, nullptr)) {
            m_sd = nullptr;
        }
    }
    ~Descriptor() {
        if (m_sd != nullptr) LocalFree(m_sd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    PSECURITY_DESCRIPTOR get() const { return m_sd; }
    PACL Dacl() const {
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        if (m_sd == nullptr || !GetSecurityDescriptorDacl(m_sd, &present, &dacl, &defaulted) || !present) return nullptr;
        return dacl;
    }

private:
    PSECURITY_DESCRIPTOR m_sd = nullptr;
};

std::string SidText(PSID sid) {
    LPWSTR text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, &text)) return {};
    std::string out;
    for (const wchar_t* c = text; *c != L'\0'; ++c) out += static_cast<char>(*c);  // "S-", digits, "-"
    LocalFree(text);
    return out;
}

}  // namespace

std::string ElevatedOwnerSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    KernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenOwner, nullptr, 0, &size);
    if (size == 0) return {};
    std::string buffer(size, '\0');
    if (!GetTokenInformation(token.get(), TokenOwner, buffer.data(), size, &size)) return {};
    return SidText(reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner);
}

std::string KernelObjectOwnerSid(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &sd) !=
        ERROR_SUCCESS) {
        return {};
    }
    std::string text = SidText(owner);
    LocalFree(sd);
    return text;
}

namespace {

// Take-ownership and restore privileges, enabled while the holder lives: the first lets
// an administrator become owner of what another user made, the second lets it set rights
// that the folder's present owner wrote to shut administrators out. Put back as they were.
class OwnershipPrivileges {
public:
    OwnershipPrivileges() {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
        m_token.Attach(raw);
        struct {
            DWORD count;
            LUID_AND_ATTRIBUTES privileges[2];
        } wanted{};
        wanted.count = 2;
        if (!LookupPrivilegeValueW(nullptr, SE_TAKE_OWNERSHIP_NAME, &wanted.privileges[0].Luid) ||
            !LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &wanted.privileges[1].Luid)) {
            return;
        }
        wanted.privileges[0].Attributes = wanted.privileges[1].Attributes = SE_PRIVILEGE_ENABLED;
        DWORD size = sizeof m_previous;
        m_adjusted = AdjustTokenPrivileges(m_token.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted),
                                           sizeof m_previous, reinterpret_cast<TOKEN_PRIVILEGES*>(&m_previous),
                                           &size) != FALSE;
    }
    ~OwnershipPrivileges() {
        if (m_adjusted) {
            AdjustTokenPrivileges(m_token.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&m_previous), 0, nullptr,
                                  nullptr);
        }
    }
    OwnershipPrivileges(const OwnershipPrivileges&) = delete;
    OwnershipPrivileges& operator=(const OwnershipPrivileges&) = delete;

private:
    KernelHandle m_token;
    struct {
        DWORD count;
        LUID_AND_ATTRIBUTES privileges[2];
    } m_previous{};
    bool m_adjusted = false;
};

// The entry itself, never what a redirection leads to; shared for reading and writing but
// not for deleting, so that nobody renames it away or replaces it while it is held.
KernelHandle OpenEntry(const std::wstring& path, DWORD access,
                       DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
    return KernelHandle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool SameObject(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

AccessEntry::Kind KindOf(BYTE aceType) {
    switch (aceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
        return AccessEntry::Kind::kAllow;
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        return AccessEntry::Kind::kDeny;
    default:
        return AccessEntry::Kind::kOther;
    }
}

bool ReadFacts(HANDLE entry, FolderFacts& facts) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(entry, &info)) return false;
    facts.isDirectory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.isReparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(entry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS) {
        return false;
    }
    facts.ownerSid = SidText(owner);
    facts.hasDacl = dacl != nullptr;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        AccessEntry read;
        read.kind = KindOf(header->AceType);
        read.flags = header->AceFlags;
        if (read.kind != AccessEntry::Kind::kOther) {
            // Allowed and denied entries share this layout: mask, then the SID.
            const auto* plain = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            read.mask = plain->Mask;
            read.sid = SidText(const_cast<DWORD*>(&plain->SidStart));
        }
        facts.dacl.push_back(std::move(read));
    }
    LocalFree(sd);
    return true;
}

// Owner: the administrators; rights: `sddl`'s list, not inherited. On the entry held open
// (`held`), through a second handle to the same object that may change both.
bool TakeOver(const std::wstring& path, HANDLE held, const wchar_t* sddl, DWORD share) {
    Descriptor rights(sddl);
    PACL dacl = rights.Dacl();
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof admins;
    if (dacl == nullptr || !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize)) return false;
    OwnershipPrivileges privileges;
    KernelHandle writer = OpenEntry(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES, share);
    if (writer) {
        if (!SameObject(held, writer.get())) return false;
        return SetSecurityInfo(writer.get(), SE_FILE_OBJECT,
                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                   PROTECTED_DACL_SECURITY_INFORMATION,
                               admins, nullptr, dacl, nullptr) == ERROR_SUCCESS;
    }
    // Without the restore privilege: owner first, then the rights, which an owner may set.
    KernelHandle owner = OpenEntry(path, READ_CONTROL | WRITE_OWNER | FILE_READ_ATTRIBUTES, share);
    if (!owner || !SameObject(held, owner.get()) ||
        SetSecurityInfo(owner.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, admins, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
        return false;
    }
    KernelHandle lister = OpenEntry(path, READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES, share);
    return lister && SameObject(held, lister.get()) &&
           SetSecurityInfo(lister.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

bool DeleteThrough(HANDLE entry) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    return SetFileInformationByHandle(entry, FileDispositionInfo, &dispose, sizeof dispose) != FALSE;
}

// What another user left directly inside a folder that was theirs: every file becomes the
// administrators' with the protected file rights, except a redirection or a file with more
// than one name (a link to a file elsewhere, whose rights are not this folder's to change),
// whose name is removed here.
bool TakeOverFilesIn(const std::wstring& folder, const std::string& elevatedOwner) {
    WIN32_FIND_DATAW found;
    const std::wstring prefix = folder + L"\\";
    HANDLE search = FindFirstFileW((prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool all = true;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            continue;  // a folder inside is secured when (and if) the program uses it
        }
        const std::wstring path = prefix + found.cFileName;
        // Only rights and attributes are asked for, which no sharing mode of another
        // process's handle can refuse (a launcher writing its counters holds the file then).
        constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        KernelHandle entry = OpenEntry(path, READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll);
        BY_HANDLE_FILE_INFORMATION info{};
        FolderFacts facts;
        if (!entry || !GetFileInformationByHandle(entry.get(), &info) || !ReadFacts(entry.get(), facts)) {
            all = false;
            continue;
        }
        if (facts.isReparsePoint || info.nNumberOfLinks > 1) {
            KernelHandle doomed = OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES, kShareAll);
            all = doomed && SameObject(entry.get(), doomed.get()) && DeleteThrough(doomed.get()) && all;
            continue;
        }
        facts.isDirectory = true;  // judged by the folder rule's owner and rights alone
        if (JudgeFolder(facts, elevatedOwner) == FolderVerdict::kTakeOver) {
            all = TakeOver(path, entry.get(), kProtectedFileRights, kShareAll) && all;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return all;
}

}  // namespace

bool SecureFolder(const std::wstring& path, bool create) {
    if (path.empty()) return false;
    if (create) {
        Descriptor rights(kProtectedFolderRights);
        if (rights.get() == nullptr) return false;
        // Created with its rights, so that nobody else can put a file inside in between.
        SECURITY_ATTRIBUTES attributes{sizeof attributes, rights.get(), FALSE};
        if (!CreateDirectoryW(path.c_str(), &attributes) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    KernelHandle level = OpenEntry(path, READ_CONTROL | FILE_READ_ATTRIBUTES);
    if (!level) return !create && (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND);
    FolderFacts facts;
    if (!ReadFacts(level.get(), facts)) return false;
    const std::string elevatedOwner = ElevatedOwnerSid();
    switch (JudgeFolder(facts, elevatedOwner)) {
    case FolderVerdict::kTrusted:
        return true;
    case FolderVerdict::kRefuse:
        return false;
    case FolderVerdict::kTakeOver:
        break;
    }
    // The folder first, so that nothing new can be put inside; then what is there already.
    return TakeOver(path, level.get(), kProtectedFolderRights, FILE_SHARE_READ | FILE_SHARE_WRITE) &&
           TakeOverFilesIn(path, elevatedOwner);
}

bool CreateProtectedFolder(const std::wstring& path) { return SecureFolder(path, true); }

}  // namespace vorn
